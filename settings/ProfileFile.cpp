#include "settings/ProfileFile.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "platform/Files.h"
#include "settings/ProfileText.h"

namespace quorin {
namespace {

using platform::ReadableFile;

// Every access opens the file as a regular file: FIFOs, devices and folders are refused without
// blocking (a FIFO named like the settings file must not hang the program).
constexpr ReadableFile::Kind kRegular = ReadableFile::Kind::Regular;

// Reads a file line by line, holding at most kProfileLineHead bytes of a line.
class LineReader {
 public:
  explicit LineReader(ReadableFile& file) : file_(file), raw_(1 << 16) {}

  // True once the first read found the UTF-16 byte order mark: the lines are its UTF-8 form.
  bool Utf16() const { return utf16_; }
  // True while the line Next gave last is the file's first.
  bool FirstLine() const { return lines_ == 1; }

  // The next line's head: up to kProfileLineHead bytes, with its '\n' when the line ends within
  // them (`complete`). A last line without '\n' is complete too. False at the end of the file.
  bool Next(std::string& head, bool& complete) {
    head.clear();
    complete = false;
    ++lines_;
    while (head.size() < kProfileLineHead) {
      if (pos_ == buffer_.size() && !Fill()) {
        complete = true;
        return !head.empty();
      }
      head.append(Take(kProfileLineHead - head.size(), complete));
      if (complete) return true;
    }
    // The head is full and holds no '\n': the line goes on, unless the file ends right here.
    if (pos_ == buffer_.size() && !Fill()) complete = true;
    return true;
  }

  // Streams the rest of an incomplete line (through its '\n') to `sink`, or drops it.
  template <typename Sink>
  void PassRest(Sink&& sink) {
    bool ended = false;
    while (!ended && (pos_ < buffer_.size() || Fill())) sink(Take(buffer_.size(), ended));
  }

  std::error_code Error() const { return error_; }

 private:
  // Up to `limit` bytes of the buffered text, through the first '\n' among them (`newline`).
  std::string_view Take(std::size_t limit, bool& newline) {
    const char* start = buffer_.data() + pos_;
    const std::size_t available = std::min(buffer_.size() - pos_, limit);
    const void* found = std::memchr(start, '\n', available);
    newline = found != nullptr;
    const std::size_t take = newline ? static_cast<const char*>(found) - start + 1 : available;
    pos_ += take;
    return {start, take};
  }

  // Refills buffer_ with the next UTF-8 text; false at the end of the file or on an error.
  bool Fill() {
    while (!error_ && !ended_) {
      const std::size_t n = file_.Read(std::as_writable_bytes(std::span(raw_)), error_);
      if (error_) return false;
      std::string_view bytes(raw_.data(), n);
      if (first_) {
        first_ = false;
        utf16_ = bytes.substr(0, kUtf16LeBom.size()) == kUtf16LeBom;
        if (utf16_) bytes.remove_prefix(kUtf16LeBom.size());
      }
      buffer_.clear();
      if (n == 0) {
        ended_ = true;
        if (utf16_ && !decoder_.Finish(buffer_)) {
          error_ = std::make_error_code(std::errc::illegal_byte_sequence);  // an odd byte
        }
      } else if (utf16_) {
        decoder_.Decode(bytes, buffer_);
      } else {
        buffer_.assign(bytes);
      }
      pos_ = 0;
      if (!buffer_.empty()) return true;
    }
    return false;
  }

  ReadableFile& file_;
  std::vector<char> raw_;
  std::string buffer_;  // UTF-8 text
  bool first_ = true;
  bool utf16_ = false;
  bool ended_ = false;
  Utf16LeDecoder decoder_;
  std::size_t pos_ = 0;
  std::size_t lines_ = 0;
  std::error_code error_;
};

bool SameName(std::string_view a, std::string_view b) {
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; };
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [&](char x, char y) { return lower(x) == lower(y); });
}

bool IsBlankChar(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlankChar(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlankChar(text.back())) text.remove_suffix(1);
  return text;
}

enum class LineKind { Blank, Comment, Section, Key, Other };

struct LineInfo {
  LineKind kind = LineKind::Other;
  std::string_view name;   // section or key name, trimmed
  std::string_view value;  // key value, trimmed and unquoted
};

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// `head` is a complete line (terminator included or at end of file); `first` strips a UTF-8 BOM,
// which editors put in front of the first section header.
LineInfo Classify(std::string_view head, bool first) {
  if (first && head.substr(0, kUtf8Bom.size()) == kUtf8Bom) head.remove_prefix(kUtf8Bom.size());
  const std::string_view text = Trim(head.substr(0, head.find('\n')));
  LineInfo info;
  if (text.empty()) {
    info.kind = LineKind::Blank;
  } else if (text.front() == ';') {
    info.kind = LineKind::Comment;
  } else if (text.front() == '[') {
    const std::size_t close = text.rfind(']');
    if (close != std::string_view::npos) {
      info.kind = LineKind::Section;
      info.name = Trim(text.substr(1, close - 1));
    }
  } else if (const std::size_t eq = text.find('='); eq != std::string_view::npos) {
    info.name = Trim(text.substr(0, eq));
    if (!info.name.empty()) {
      info.kind = LineKind::Key;
      std::string_view value = Trim(text.substr(eq + 1));
      if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
          value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
      }
      info.value = value;
    }
  }
  return info;
}

// The terminator of a complete line: "\r\n", "\n" or "" (last line without one).
std::string_view LineEnding(std::string_view head) {
  if (head.empty() || head.back() != '\n') return {};
  if (head.size() >= 2 && head[head.size() - 2] == '\r') return "\r\n";
  return "\n";
}

bool ValidValue(std::string_view value) {
  return value.find_first_of(std::string_view("\n\r\0", 3)) == std::string_view::npos;
}

bool ValidName(std::string_view name) {
  return !name.empty() && Trim(name) == name && ValidValue(name) &&
         name.find_first_of("=]") == std::string_view::npos && name.front() != '[' &&
         name.front() != ';';
}

// Buffered writer to the new file; remembers the first failure.
class OutputFile {
 public:
  explicit OutputFile(platform::FileSink& sink) : sink_(sink) { buffer_.reserve(kChunk); }
  // From here on the file is UTF-16LE with its byte order mark; Put still takes UTF-8.
  void BecomeUtf16() {
    if (utf16_) return;
    utf16_ = true;
    buffer_.append(kUtf16LeBom);
  }
  void Put(std::string_view bytes) {
    if (!utf16_) {
      buffer_.append(bytes);
    } else if (!encoder_.Encode(bytes, buffer_) && !error_) {
      error_ = std::make_error_code(std::errc::illegal_byte_sequence);
    }
    if (!bytes.empty()) lastByte_ = bytes.back();
    written_ = written_ || !bytes.empty();
    if (buffer_.size() >= kChunk) Flush();
  }
  bool Flush() {
    if (!error_) error_ = sink_.Write(buffer_);
    buffer_.clear();
    return !error_;
  }
  // The last flush: also fails when the UTF-8 put into a UTF-16 file ended inside a sequence.
  bool Finish() {
    if (!encoder_.Finish() && !error_)
      error_ = std::make_error_code(std::errc::illegal_byte_sequence);
    return Flush();
  }
  bool Empty() const { return !written_; }
  char LastByte() const { return lastByte_; }
  std::error_code Error() const { return error_; }

 private:
  static constexpr std::size_t kChunk = 1 << 16;
  platform::FileSink& sink_;
  std::string buffer_;
  char lastByte_ = '\n';
  bool written_ = false;
  bool utf16_ = false;
  Utf16LeEncoder encoder_;
  std::error_code error_;
};

// Copies `input` (may be closed: no file yet) to `out` with the key set. See the header's write
// rules.
std::error_code RewriteWithKey(ReadableFile& input, OutputFile& out, std::string_view section,
                               std::string_view key, std::string_view value) {
  enum class Where { BeforeTarget, InTarget, Done };
  Where where = Where::BeforeTarget;
  std::string newline;       // the file's own line ending, taken from its first terminated line
  std::string pendingBlank;  // blank lines at the current end of the target section
  std::string keyName(key);  // the spelling of an existing key line is kept
  bool lastLineBlank = false;
  auto keyLine = [&] { return keyName + "=" + std::string(value); };
  auto endingForNew = [&]() -> std::string { return newline.empty() ? "\n" : newline; };
  auto terminateLastLine = [&] {
    if (!out.Empty() && out.LastByte() != '\n') out.Put(endingForNew());
  };
  auto flushPending = [&] {
    out.Put(pendingBlank);
    pendingBlank.clear();
  };

  if (input.IsOpen()) {
    LineReader reader(input);
    std::string head;
    bool complete = false;
    while (reader.Next(head, complete)) {
      if (reader.FirstLine() && reader.Utf16()) out.BecomeUtf16();  // before the first line is put
      if (newline.empty()) newline = std::string(LineEnding(head));
      const LineInfo info = complete ? Classify(head, reader.FirstLine()) : LineInfo{};
      lastLineBlank = info.kind == LineKind::Blank;
      if (where == Where::InTarget) {
        if (info.kind == LineKind::Blank) {
          pendingBlank += head;
          // Bounded memory even for a file of nothing but blank lines.
          if (pendingBlank.size() > kProfileLineHead) flushPending();
          continue;
        }
        if (info.kind == LineKind::Section) {
          out.Put(keyLine() + endingForNew());
          flushPending();
          where = Where::Done;
        } else if (info.kind == LineKind::Key && SameName(info.name, key)) {
          flushPending();
          keyName = std::string(info.name);
          const std::string_view ending = LineEnding(head);
          out.Put(keyLine() + std::string(ending));
          where = Where::Done;
          continue;
        } else {
          flushPending();
        }
      } else if (where == Where::BeforeTarget && info.kind == LineKind::Section &&
                 SameName(info.name, section)) {
        where = Where::InTarget;
      }
      out.Put(head);
      if (!complete) reader.PassRest([&](std::string_view rest) { out.Put(rest); });
    }
    if (reader.Error()) return reader.Error();
    if (reader.Utf16()) out.BecomeUtf16();  // a file that held nothing but the mark
  }

  if (where == Where::InTarget) {
    terminateLastLine();
    out.Put(keyLine() + endingForNew());
    flushPending();
  } else if (where == Where::BeforeTarget) {
    terminateLastLine();
    // Keep sections apart by one blank line, as a person editing the file would.
    if (!out.Empty() && !lastLineBlank) out.Put(endingForNew());
    out.Put("[" + std::string(section) + "]" + endingForNew());
    out.Put(keyLine() + endingForNew());
  }
  out.Finish();
  return out.Error();
}

}  // namespace

std::optional<int> ParseProfileInt(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty() || text.front() < '0' || text.front() > '9') return std::nullopt;
  const std::int64_t limit = negative ? -static_cast<std::int64_t>(INT_MIN) : INT_MAX;
  std::int64_t magnitude = 0;
  for (char c : text) {
    if (c < '0' || c > '9') break;
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > limit) return std::nullopt;
  }
  return static_cast<int>(negative ? -magnitude : magnitude);
}

std::optional<std::string> ReadProfileString(const std::string& path, std::string_view section,
                                             std::string_view key) {
  std::error_code error;
  ReadableFile file = ReadableFile::Open(path, kRegular, error);
  if (!file.IsOpen()) return std::nullopt;
  LineReader reader(file);
  std::string head;
  bool complete = false;
  bool inTarget = false;
  while (reader.Next(head, complete)) {
    if (!complete) {
      reader.PassRest([](std::string_view) {});
      continue;
    }
    const LineInfo info = Classify(head, reader.FirstLine());
    if (info.kind == LineKind::Section) {
      if (inTarget) return std::nullopt;  // only the first section of that name counts
      inTarget = SameName(info.name, section);
    } else if (inTarget && info.kind == LineKind::Key && SameName(info.name, key)) {
      return std::string(info.value);
    }
  }
  return std::nullopt;
}

int ReadProfileInt(const std::string& path, std::string_view section, std::string_view key,
                   int defaultValue) {
  const std::optional<std::string> text = ReadProfileString(path, section, key);
  if (!text) return defaultValue;
  return ParseProfileInt(*text).value_or(defaultValue);
}

std::error_code WriteProfileString(const std::string& path, std::string_view section,
                                   std::string_view key, std::string_view value) {
  if (!ValidName(section) || !ValidName(key) || !ValidValue(value) || path.empty()) {
    return std::make_error_code(std::errc::invalid_argument);
  }
  // The input is read through a symbolic link, and the write replaces the file it points to.
  std::error_code error;
  ReadableFile input = ReadableFile::Open(path, kRegular, error);
  if (!input.IsOpen() && error != std::errc::no_such_file_or_directory) return error;

  platform::WriteOptions options;
  options.FollowLink = true;
  options.KeepAttributes = true;  // the old file's permissions and, where we may, its owner
  options.KeepReadOnly = true;    // a read-only settings file is the user saying "keep it"
  return platform::WriteFileAtomically(
      path,
      [&](platform::FileSink& sink) {
        OutputFile out(sink);
        const std::error_code rewritten = RewriteWithKey(input, out, section, key, value);
        input = ReadableFile();
        return rewritten;
      },
      options);
}

bool TouchProfileFile(const std::string& path) {
  std::error_code error;
  return ReadableFile::Open(path, kRegular, error).IsOpen();
}

}  // namespace quorin
