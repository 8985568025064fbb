// The main window's rules through a recording view: Read Pack, Program's state, the gauge, the
// error boxes, drops and the application's title.
#include <algorithm>
#include <climits>
#include <memory>
#include <stdexcept>

#include "FakeViews.h"
#include "comm/EventLoop.h"
#include "iap/Messages.h"

namespace quorin::test {
namespace {

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest() {
    options.SettingsPath = dir.File("Cyclomer.ini");
    options.Job = JobTarget::FixedPort("COM250");
    options.ApplicationTitle = "quorin-iap";
    options.Ports = [] { return std::vector<ListedPort>{{1, "/dev/ttyTEST0", true}}; };
    presenter = std::make_unique<MainWindowPresenter>(view, loop, options);
  }

  // Reads a good pack through the file dialog and forgets what that showed.
  void ReadGood() {
    PackFields fields;
    fields.Version = 6500;
    WriteFile(dir.File("good.Pack"), PackBytes(fields));
    view.answers.push_back(dir.File("good.Pack"));
    presenter->ReadPackClicked();
    ASSERT_EQ(view.calls.back(), "Program 1");
    view.calls.clear();
  }

  TempDir dir;
  EventLoop loop;
  FakeWindow view;
  PresenterOptions options;
  std::unique_ptr<MainWindowPresenter> presenter;  // goes before the loop and the view
};

TEST_F(MainWindowTest, StartsWithProgramDisabledAndTheGaugeHidden) {
  EXPECT_EQ(view.calls, (std::vector<std::string>{"Program 0", "Gauge 0"}));
  EXPECT_EQ(presenter->Caption(), text::kMainCaption);
  view.calls.clear();
  presenter->ReadPackClicked();  // cancelled before any pack: Program stays disabled
  EXPECT_TRUE(view.calls.empty());
}

enum class PackFile { Good, Broken, Missing, Short, Empty, Cancelled };

struct ReadCase {
  const char* name;
  PackFile file;
  std::uint32_t target;
  std::uint8_t updateKind;
  std::uint16_t Version;
  const char* calls;  // the view's calls after a good pack was read, separated by "|"
};

std::vector<std::string> Split(const std::string& text) {
  std::vector<std::string> parts;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t bar = std::min(text.find('|', start), text.size());
    parts.push_back(text.substr(start, bar - start));
    start = bar + 1;
  }
  return parts;
}

class ReadPackTest : public MainWindowTest, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(ReadPackTest, ShowsWhatThePackHoldsOrWhyNot) {
  ReadGood();
  const ReadCase& c = GetParam();
  std::filesystem::create_directories(dir.Path() / "sub");
  const std::string path = (dir.Path() / "sub" / "Controller V6.5.Pack").string();
  PackFields fields;
  fields.UpdateKind = c.updateKind;
  fields.Version = c.Version;
  fields.TargetCode = c.target;
  if (c.file == PackFile::Good || c.file == PackFile::Broken) {
    WriteFile(path, PackBytes(fields, 4000, c.file == PackFile::Broken));
  } else if (c.file != PackFile::Missing) {
    WriteFile(path, std::vector<std::uint8_t>(c.file == PackFile::Short ? 131071 : 0, 0x5A));
  }
  if (c.file != PackFile::Cancelled) view.answers.push_back(path);
  presenter->ReadPackClicked();
  EXPECT_EQ(view.calls, Split(c.calls));
  if (c.file != PackFile::Good && c.file != PackFile::Broken) {
    EXPECT_EQ(presenter->Session().Pack().Header.Version(), 6500) << "the records are kept";
  }
}

// The file name is shown without its folder; a pack for another controller is shown disabled
// while the warning is up and programmable afterwards.
INSTANTIATE_TEST_SUITE_P(
    Outcomes, ReadPackTest,
    ::testing::Values(
        ReadCase{"SoftwareAndSettings", PackFile::Good, 20002, 0xAA, 6600,
                 "Name Controller V6.5.Pack|Version 6600|Kind Update software + settings|"
                 "Program 1"},
        ReadCase{"SoftwareOnly", PackFile::Good, 20002, 0x55, 6401,
                 "Name Controller V6.5.Pack|Version 6401|Kind Update software only|Program 1"},
        ReadCase{"VersionIsUnsigned", PackFile::Good, 20002, 0x00, 65535,
                 "Name Controller V6.5.Pack|Version 65535|Kind Update software only|Program 1"},
        ReadCase{"ForeignTarget", PackFile::Good, 20003, 0xAA, 6600,
                 "Name Controller V6.5.Pack|Version 6600|Kind Update software + settings|"
                 "Program 0|Box Warning 警告: 固件包错误|Program 1"},
        ReadCase{"HighWordOfTheTargetCounts", PackFile::Good, 20002 + 65536, 0x00, 1,
                 "Name Controller V6.5.Pack|Version 1|Kind Update software only|"
                 "Program 0|Box Warning 警告: 固件包错误|Program 1"},
        ReadCase{"BrokenKeepsTheFields", PackFile::Broken, 20002, 0xAA, 6600,
                 "Program 0|Box Warning Error: Pack file was briken"},
        ReadCase{"Missing", PackFile::Missing, 0, 0, 0, "Box Error quorin-iap: File not found."},
        ReadCase{"ShortFile", PackFile::Short, 0, 0, 0,
                 "Box Error quorin-iap: Read beyond end of file."},
        ReadCase{"EmptyFile", PackFile::Empty, 0, 0, 0,
                 "Box Error quorin-iap: Read beyond end of file."},
        ReadCase{"CancelChangesNothing", PackFile::Cancelled, 0, 0, 0, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainWindowTest, AfterABrokenPackProgramWaitsForAGoodOne) {
  WriteFile(dir.File("broken.Pack"), PackBytes(PackFields{}, 100, true));
  presenter->OpenPack(dir.File("broken.Pack"));
  presenter->OpenPack(dir.File("missing.Pack"));
  EXPECT_EQ(view.calls.back(), "Box Error quorin-iap: File not found.");
  EXPECT_EQ(std::count(view.calls.begin(), view.calls.end(), "Program 1"), 0);
  ReadGood();
}

struct DropCase {
  std::vector<std::string> paths;
  bool taken;
};

class DropTest : public ::testing::TestWithParam<DropCase> {};

TEST_P(DropTest, OnlyOneFileNamedPackIsTaken) {
  EXPECT_EQ(IsDroppablePack(GetParam().paths), GetParam().taken);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, DropTest,
    ::testing::Values(DropCase{{"/home/a/V6.Pack"}, true}, DropCase{{"C:\\packs\\V6.PACK"}, true},
                      DropCase{{"x.pack"}, true}, DropCase{{"a.Pack", "b.Pack"}, false},
                      DropCase{{}, false}, DropCase{{""}, false}, DropCase{{"notes.txt"}, false},
                      DropCase{{"a.Pack.txt"}, false}, DropCase{{"/packs.pack/readme"}, false}));

TEST_F(MainWindowTest, ADroppedPackIsReadAndAnythingElseIgnored) {
  WriteFile(dir.File("dropped.Pack"), PackBytes(PackFields{}));
  view.calls.clear();
  presenter->FilesDropped({dir.File("dropped.Pack"), dir.File("dropped.Pack")});
  presenter->FilesDropped({dir.File("notes.txt")});
  EXPECT_TRUE(view.calls.empty());
  presenter->FilesDropped({dir.File("dropped.Pack")});
  ASSERT_FALSE(view.calls.empty());
  EXPECT_EQ(view.calls.front(), "Name dropped.Pack");
  EXPECT_EQ(view.calls.back(), "Program 1");
}

TEST_F(MainWindowTest, JobCallsAreForwardedWithTheGaugeKeptInRange) {
  view.calls.clear();
  presenter->ClearLog();
  presenter->AddLogLine("Programing...");
  presenter->SetUpdateKindText("Update software only");
  presenter->SetGaugeVisible(true);
  presenter->SetGaugeMaximum(4000);
  presenter->SetGaugeProgress(1024);
  presenter->SetGaugeProgress(5000);
  presenter->SetGaugeMaximum(UINT32_MAX);
  presenter->SetGaugeProgress(UINT32_MAX);
  const std::string limit = std::to_string(INT_MAX);
  EXPECT_EQ(view.calls,
            (std::vector<std::string>{"Clear", "Line Programing...", "Kind Update software only",
                                      "Gauge 1", "Maximum 4000", "Progress 1024", "Progress 4000",
                                      "Maximum " + limit, "Progress " + limit}));
}

TEST_F(MainWindowTest, DefaultErrorHandlerShowsAnErrorBoxWithTheTitle) {
  view.calls.clear();
  presenter->ShowError(
      std::make_exception_ptr(std::runtime_error("Unable to write to /a/Cyclomer.ini")));
  presenter->ShowError(std::make_exception_ptr(42));
  EXPECT_EQ(view.calls,
            (std::vector<std::string>{"Box Error quorin-iap: Unable to write to /a/Cyclomer.ini.",
                                      "Box Error quorin-iap: Unexpected error."}));
}

TEST(ErrorBoxText, AppendsOneFullStop) {
  EXPECT_EQ(ErrorBoxText("Read beyond end of file"), "Read beyond end of file.");
  EXPECT_EQ(ErrorBoxText("Already said."), "Already said.");
  EXPECT_EQ(ErrorBoxText("打开串口出错\r\n此串口不存在或被占用"),
            "打开串口出错\r\n此串口不存在或被占用.");
  EXPECT_EQ(ErrorBoxText(""), ".");
  EXPECT_EQ(ErrorBoxText(nullptr), ".");
}

struct TitleCase {
  const char* path;
  const char* title;
};

class ApplicationTitleTest : public ::testing::TestWithParam<TitleCase> {};

TEST_P(ApplicationTitleTest, NameUpToTheFirstDotFirstLetterKeptRestLower) {
  EXPECT_EQ(ApplicationTitle(GetParam().path), GetParam().title);
}

INSTANTIATE_TEST_SUITE_P(Paths, ApplicationTitleTest,
                         ::testing::Values(TitleCase{"/usr/bin/quorin-iap", "quorin-iap"},
                                           TitleCase{"C:\\Tools\\Quorin-IAP.exe", "Quorin-iap"},
                                           TitleCase{"C:/Tools/QUORIN.IAP.tool.exe", "Quorin"},
                                           TitleCase{"D:\\a/b\\MiXed.Name.exe", "Mixed"},
                                           TitleCase{"build/app/qUORIN-iap", "quorin-iap"},
                                           TitleCase{"x", "x"}, TitleCase{"/tmp/.hidden", ""},
                                           TitleCase{"", ""},
                                           TitleCase{"/opt/Éclair.exe", "Éclair"}));

}  // namespace
}  // namespace quorin::test
