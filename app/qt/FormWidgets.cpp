#include "app/qt/FormWidgets.h"

#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStringList>
#include <QToolButton>
#include <algorithm>
#include <map>

#include "app/qt/StretchedImage.h"

namespace quorin {
namespace {

using form::Colour;
using form::Control;
using form::Kind;

// A colour as a style sheet names it; empty for the system's own.
QString Css(Colour colour) {
  switch (colour) {
    case Colour::System:
      return {};
    case Colour::HighlightText:
      return "palette(highlighted-text)";
    default: {
      const form::Rgb rgb = form::RgbOf(colour);
      return QColor(rgb.Red, rgb.Green, rgb.Blue).name();
    }
  }
}

// Colours are set by style sheet for every state, so they survive disabling.
QString Colours(const char* selector, const Control& control) {
  QString rules;
  if (!Css(control.Text).isEmpty()) rules += " color: " + Css(control.Text) + ";";
  if (!Css(control.Background).isEmpty() && control.Type != Kind::Label) {
    rules += " background-color: " + Css(control.Background) + ";";
  }
  return QString(selector) + "#" + QtText(control.Name) + " {" + rules;
}

QWidget* Create(const Control& control, QWidget* parent, const FormPictures& pictures) {
  switch (control.Type) {
    case Kind::Panel: {
      auto* panel = new QFrame(parent);
      panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
      panel->setLineWidth(1);
      return panel;
    }
    case Kind::Divider: {
      auto* line = new QFrame(parent);
      line->setFrameStyle(QFrame::VLine | QFrame::Sunken);
      return line;
    }
    case Kind::FlatImageButton: {
      auto* button = new QToolButton(parent);
      button->setText(QtText(control.Caption));
      button->setIcon(pictures.ButtonIcon(control.Name));
      button->setIconSize(QSize(form::kButtonIconPixels, form::kButtonIconPixels));
      button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
      button->setAutoRaise(true);
      button->setStyleSheet(Colours("QToolButton", control) + " }");
      return button;
    }
    case Kind::GroupBox: {
      auto* group = new QGroupBox(QtText(control.Caption), parent);
      group->setStyleSheet(Colours("QGroupBox", control) +
                           " border: 1px solid #a0a0a0; margin-top: 8px; }"
                           "QGroupBox::title { subcontrol-origin: margin; left: 8px;"
                           " padding: 0 2px; }");
      return group;
    }
    case Kind::Label: {
      auto* label = new QLabel(QtText(control.Caption), parent);
      if (control.Text != Colour::System) label->setStyleSheet(Colours("QLabel", control) + " }");
      return label;
    }
    case Kind::ReadOnlyEdit: {
      auto* edit = new QLineEdit(QtText(control.Caption), parent);
      edit->setReadOnly(true);
      edit->setStyleSheet(Colours("QLineEdit", control) + " border: 1px solid #a0a0a0; }");
      return edit;
    }
    case Kind::Image:
      return new StretchedImage(pictures.Image(control.Name), parent);
    case Kind::Gauge: {
      auto* gauge = new QProgressBar(parent);
      gauge->setOrientation(Qt::Horizontal);
      gauge->setRange(0, 1000);
      gauge->setValue(0);
      gauge->setTextVisible(true);
      gauge->setAlignment(Qt::AlignCenter);
      gauge->setFormat("%p%");
      gauge->setStyleSheet(Colours("QProgressBar", control) +
                           " border: 1px solid #c0dcc0; text-align: center; }"
                           "QProgressBar::chunk { background-color: lime; }");
      return gauge;
    }
    case Kind::ListBox: {
      auto* list = new QListWidget(parent);
      list->setUniformItemSizes(true);
      list->setStyleSheet(QString("QListWidget::item { height: %1px; }").arg(form::kListRowPixels));
      return list;
    }
    case Kind::ComboBox: {
      auto* box = new QComboBox(parent);
      box->setEditable(true);
      box->setInsertPolicy(QComboBox::NoInsert);
      return box;
    }
    case Kind::PushButton: {
      auto* button = new QPushButton(QtText(control.Caption), parent);
      button->setAutoDefault(false);
      return button;
    }
    case Kind::MultiLineEdit: {
      auto* edit = new QPlainTextEdit(QtText(control.Caption), parent);
      edit->setReadOnly(true);
      // Read-only text is selectable by mouse only; the keyboard (Ctrl+A, Ctrl+C) copies it too.
      edit->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
      edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
      edit->setStyleSheet(Colours("QPlainTextEdit", control) + " border: 1px solid #a0a0a0; }");
      return edit;
    }
  }
  throw std::logic_error("a form control of an unknown kind");
}

}  // namespace

QFont QtFont(const form::Font& font) {
  // "微软雅黑" (Microsoft YaHei) is not on every system, so each font names a list of families;
  // fontconfig picks the first one present, and the CJK families make sure the Chinese texts
  // render. "MS Sans Serif" is the windows' default font.
  QStringList families{"Microsoft YaHei", QString::fromUtf8("微软雅黑"), "WenQuanYi Micro Hei",
                       "Noto Sans CJK SC"};
  if (font.Family == form::Face::SansSerif) {
    families = QStringList{"MS Sans Serif", "Microsoft Sans Serif", "DejaVu Sans"} + families;
  }
  QFont qt;
  qt.setFamilies(families);
  qt.setPixelSize(font.Pixels);
  qt.setBold(font.Bold);
  return qt;
}

void BuildFormWidgets(const form::Form& form, QWidget* client, const FormPictures& pictures) {
  client->setWindowTitle(QtText(form.Caption));
  client->setFont(QtFont(form.DefaultFont));
  client->setFixedSize(form.ClientWidth, form.ClientHeight);
  std::map<std::string_view, QWidget*> built;
  for (const Control& control : form.Controls) {
    QWidget* parent = control.Parent.empty() ? client : built.at(control.Parent);
    QWidget* widget = Create(control, parent, pictures);
    widget->setObjectName(QtText(control.Name));
    widget->setFont(QtFont(control.TextFont));
    widget->setGeometry(control.Place.Left, control.Place.Top, control.Place.Width,
                        control.Place.Height);
    if (!control.Tooltip.empty()) {
      widget->setToolTip(QtText(control.Tooltip));
    }
    if (control.FitText) {
      widget->resize(std::max(widget->width(), widget->sizeHint().width()), widget->height());
    }
    widget->setVisible(control.Visible);
    widget->setEnabled(control.Enabled);
    built[control.Name] = widget;
  }
}

}  // namespace quorin
