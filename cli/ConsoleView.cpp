#include "cli/ConsoleView.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace quorin {
namespace {

// Redrawing more often than this only costs terminal output the eye cannot follow.
constexpr std::chrono::milliseconds kRedrawInterval{100};

std::string Rate(double bytesPerSecond) {
  char text[32];
  if (bytesPerSecond >= 1024.0) {
    std::snprintf(text, sizeof text, "%.1f KiB/s", bytesPerSecond / 1024.0);
  } else {
    std::snprintf(text, sizeof text, "%.0f B/s", bytesPerSecond);
  }
  return text;
}

std::string MinutesSeconds(double seconds) {
  const long whole = std::lround(std::max(0.0, seconds));
  char text[32];
  std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
  return text;
}

// One line of the progress bar for `progress` of `maximum` bytes after `elapsed` of sending; "--"
// for the rate and the time left until the rate can be told.
std::string FormatProgressBar(std::uint32_t progress, std::uint32_t maximum,
                              std::chrono::duration<double> elapsed) {
  constexpr int kWidth = 30;  // cells inside the brackets
  progress = std::min(progress, maximum);
  const double fraction = maximum == 0 ? 1.0 : static_cast<double>(progress) / maximum;
  const int filled = static_cast<int>(fraction * kWidth);
  std::string line = "[" + std::string(static_cast<std::size_t>(filled), '#') +
                     std::string(static_cast<std::size_t>(kWidth - filled), ' ') + "]";
  char numbers[96];
  std::snprintf(numbers, sizeof numbers, " %3d%%  %u/%u B", static_cast<int>(fraction * 100.0),
                progress, maximum);
  line += numbers;
  const double seconds = elapsed.count();
  if (progress > 0 && seconds > 0.0) {
    const double rate = progress / seconds;
    line += "  " + Rate(rate) + "  " + MinutesSeconds((maximum - progress) / rate) + " left";
  } else {
    line += "  -- B/s  --:-- left";
  }
  return line;
}

}  // namespace

ConsoleView::ConsoleView(std::FILE* log, std::FILE* bar) : log_(log), bar_(bar) {}

ConsoleView::~ConsoleView() {
  Erase();
}

// The console keeps what it printed; a new job's log follows the old one.
void ConsoleView::ClearLog() {}

void ConsoleView::AddLogLine(const std::string& line) {
  lines_.push_back(line);
  Erase();
  if (!logLost_) {
    const bool written = std::fputs(line.c_str(), log_) >= 0 && std::fputc('\n', log_) != EOF &&
                         std::fflush(log_) == 0;
    if (!written) logLost_ = true;
  }
  if (visible_) Draw(true);
}

void ConsoleView::SetUpdateKindText(const std::string& text) {
  if (bar_ == nullptr) return;
  Erase();
  std::fprintf(bar_, "%s\n", text.c_str());
  std::fflush(bar_);
}

void ConsoleView::SetGaugeVisible(bool visible) {
  visible_ = visible;
  if (visible) {
    Draw(true);
  } else {
    sizeKnown_ = false;  // the next job tells its own
    Erase();
  }
}

void ConsoleView::SetGaugeMaximum(std::uint32_t maximum) {
  sizeKnown_ = true;
  maximum_ = maximum;
  progress_ = std::min(progress_, maximum_);
  started_ = Clock::now();
  if (visible_) Draw(true);
}

void ConsoleView::SetGaugeProgress(std::uint32_t progress) {
  progress_ = std::min(progress, maximum_);
  if (visible_) Draw(progress_ == maximum_);
}

void ConsoleView::Draw(bool force) {
  // Before the pack's size is known any count of bytes would be made up: the bar waits for it
  // (the log says meanwhile what the job is doing).
  if (bar_ == nullptr || !sizeKnown_) return;
  const auto now = Clock::now();
  if (!force && drawn_ && now - lastDraw_ < kRedrawInterval) return;
  lastDraw_ = now;
  // Blanks, not an erase-line escape, clear what a longer bar left: Windows' classic console
  // shows escapes raw unless virtual-terminal processing is on, and every terminal takes blanks.
  const std::string line = FormatProgressBar(progress_, maximum_, now - started_);
  const std::size_t blanks = drawn_ && drawnWidth_ > line.size() ? drawnWidth_ - line.size() : 0;
  std::fprintf(bar_, "\r%s%s", line.c_str(), std::string(blanks, ' ').c_str());
  std::fflush(bar_);
  drawnWidth_ = line.size() + blanks;
  drawn_ = true;
}

void ConsoleView::Erase() {
  if (bar_ == nullptr || !drawn_) return;
  std::fprintf(bar_, "\r%s\r", std::string(drawnWidth_, ' ').c_str());
  std::fflush(bar_);
  drawn_ = false;
}

}  // namespace quorin
