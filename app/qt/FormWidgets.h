#pragma once
// Qt widgets built from a window's form (app/WindowForms.h): what each kind of control is in Qt
// and how it is drawn. The windows then find their widgets by object name.
#include <QIcon>
#include <QImage>
#include <QWidget>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "app/WindowForms.h"

namespace quorin {

// The pictures a form's controls show, by control name.
struct FormPictures {
  std::function<QIcon(std::string_view name)> ButtonIcon;  // a FlatImageButton's icon
  std::function<QImage(std::string_view name)> Image;      // an Image's picture
};

// GUI thread. Gives `client` (the window's client area) the form's caption, font and client size,
// and creates every control of `form` on it, each named, placed, captioned, coloured, shown or
// hidden and enabled as the form says; labels that fit their text are widened to it after their
// font is set. Widgets are owned by their Qt parents.
void BuildFormWidgets(const form::Form& form, QWidget* client, const FormPictures& pictures);

// The Qt font of a form font, with fallback families for systems without it.
QFont QtFont(const form::Font& font);

// A form's text (UTF-8) as Qt holds it.
inline QString QtText(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}

// The widget named `name` under `root`, of type Widget. Throws std::logic_error when there is none
// of that type: a view that asks for a control its form does not build is a programming error.
template <class Widget>
Widget* FormWidget(QWidget* root, std::string_view name) {
  auto* widget = root->findChild<Widget*>(QtText(name));
  if (!widget) throw std::logic_error("no widget " + std::string(name) + " of the expected type");
  return widget;
}

}  // namespace quorin
