// The two protocol readers, one decoded chunk at a time, and the line
// assembly and decoding the reading loop puts in front of them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "install/child_output_reader.h"
#include "install/event_recorder.h"
#include "install/package_installer.h"
#include "install/uninstaller.h"
#include "utils/text.h"

namespace {

using E = RecordedEvent;

struct ReaderCase {
  const char* name;
  std::wstring chunk;
  std::vector<E> events;
  int verdict;
};

void PrintTo(const ReaderCase& c, std::ostream* os) { *os << c.name; }

const std::wstring k771(771, L'm');

class PackageReaderTable : public ::testing::TestWithParam<ReaderCase> {};

TEST_P(PackageReaderTable, RaisesEventsAndVerdict) {
  const ReaderCase& c = GetParam();
  EventRecorder recorder;
  CPackageInstaller reader(recorder.Callback(), L"\"p.exe\"", L"");
  EXPECT_EQ(reader.ParseOutput(c.chunk), c.verdict);
  EXPECT_EQ(recorder.Events(), c.events);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, PackageReaderTable,
    ::testing::Values(
        ReaderCase{"progress", L"Progress=0.25\n", {{2002, 0.25, L""}}, 0},
        ReaderCase{"progress_trailing_junk", L"Progress=0.5abc\n", {{2002, 0.5, L""}}, 0},
        ReaderCase{"progress_unreadable", L"Progress=abc\n", {{2002, 0, L""}}, 0},
        ReaderCase{"progress_not_finite", L"Progress=inf\nProgress=nan\n", {{2002, 0, L""}, {2002, 0, L""}}, 0},
        ReaderCase{"progress_leading_blanks", L"Progress=  0.75\n", {{2002, 0.75, L""}}, 0},
        ReaderCase{
            "inst_path_keeps_cr", L"InstPath=D:\\Apps\\lumavoxapp\r\n", {{3000, 0, L"D:\\Apps\\lumavoxapp\r"}}, 0},
        ReaderCase{"inst_path_empty", L"InstPath=\n", {{3000, 0, L""}}, 0},
        ReaderCase{"state_success", L"State=Success\n", {{2003, 0, L""}}, 1},
        ReaderCase{"state_success_trimmed", L"State= \tSuccess \r\n", {{2003, 0, L""}}, 1},
        ReaderCase{"state_fail", L"State=Fail\n", {{2004, 0, L"安装包安装失败"}}, 1000},
        ReaderCase{"state_other_words", L"State=success\nState=Done\nState=\n", {}, 0},
        ReaderCase{"install_version_no_event", L"InstallVersion=1.2.3\n", {}, 0},
        ReaderCase{"exe_path_both_names",
                   L"ExePath=C:\\a.exe\nStartExe=C:\\b.exe\n",
                   {{3001, 0, L"C:\\a.exe"}, {3001, 0, L"C:\\b.exe"}},
                   0},
        ReaderCase{"uninstaller_both_names",
                   L"UninstExePath=C:\\u.exe\nUninstExe=C:\\v.exe\n",
                   {{3002, 0, L"C:\\u.exe"}, {3002, 0, L"C:\\v.exe"}},
                   0},
        ReaderCase{"uninstaller_record", L"UninstEp=C:\\P\\uninst.ep\n", {{3003, 0, L"C:\\P\\uninst.ep"}}, 0},
        ReaderCase{"error", L"Error=Disk full\n", {{2004, 1000, L"Disk full"}}, 1000},
        ReaderCase{"top_show_minus_one", L"TopShowDetention=-1\n", {{3007, 4294967295.0, L""}}, 0},
        ReaderCase{"top_show_number", L"TopShowDetention=3000\r\n", {{3007, 3000, L""}}, 0},
        ReaderCase{"top_show_unreadable", L"TopShowDetention=soon\n", {{3007, 0, L""}}, 0},
        ReaderCase{"top_show_beyond_32_bits", L"TopShowDetention=99999999999\n", {{3007, 0, L""}}, 0},
        ReaderCase{
            "finish_close_as_spelled", L"FinsihCloseDetention=5000\nFinishCloseDetention=7\n", {{3008, 5000, L""}}, 0},
        ReaderCase{"start_url", L"StartUrl=http://a.b/c\n", {{3004, 0, L"http://a.b/c"}}, 0},
        ReaderCase{"startup_styles",
                   L"StartupStyle=NonStartup\nStartupStyle=AutoStartup\nStartupStyle= UserStartup\r\n"
                   L"StartupStyle=Manual\n",
                   {{3005, 0, L""}, {3005, 1, L""}, {3005, 2, L""}, {3005, 0, L""}},
                   0},
        ReaderCase{"message", L"Message=请关闭程序\n", {{3009, 0, L"请关闭程序"}}, 0},
        ReaderCase{"text_cut_at_771", L"Message=" + k771 + L"xyz\n", {{3009, 0, k771}}, 0},
        ReaderCase{"unknown_blank_and_case", L" Progress=0.5\nprogress=0.5\n\nFoo=1\n=x\n", {}, 0},
        ReaderCase{"last_piece_without_lf", L"Progress=0.5\nProgress=0.75", {{2002, 0.5, L""}, {2002, 0.75, L""}}, 0},
        ReaderCase{
            "verdicts_in_order_last_wins", L"State=Success\nError=x\n", {{2003, 0, L""}, {2004, 1000, L"x"}}, 1000},
        ReaderCase{"failure_then_success",
                   L"Error=x\nState=Success\nProgress=1\n",
                   {{2004, 1000, L"x"}, {2003, 0, L""}, {2002, 1, L""}},
                   1}),
    [](const ::testing::TestParamInfo<ReaderCase>& info) { return std::string(info.param.name); });

TEST(PackageReader, InstallVersionTakesTheFieldsBeforeTheFirstUnreadableOne) {
  EventRecorder recorder;
  CPackageInstaller reader(recorder.Callback(), L"\"p.exe\"", L"");
  reader.ParseOutput(L"InstallVersion=1.2.3\n");
  reader.ParseOutput(L"InstallVersion=4.x.9\n");
  const CPackageInstaller::Version v = reader.InstalledVersion();
  EXPECT_EQ(v.major, 4);
  EXPECT_EQ(v.minor, 2);
  EXPECT_EQ(v.patch, 3);
}

TEST(PackageReader, EncodeSetsTheCodePage) {
  struct Case {
    const wchar_t* line;
    int32_t codePage;
  };
  const Case cases[] = {
      {L"Encode=UTF8\n", 65001}, {L"Encode=ACP\n", 0}, {L"Encode= 936 \r\n", 936},   {L"Encode=1252abc\n", 1252},
      {L"Encode=x\n", 0},        {L"Encode=-5\n", -5}, {L"Encode=99999999999\n", 0}, {L"Encode=utf8\n", 0},
  };
  for (const Case& c : cases) {
    EventRecorder recorder;
    CPackageInstaller reader(recorder.Callback(), L"\"p.exe\"", L"");
    reader.ParseOutput(L"Encode=936\n");
    EXPECT_EQ(reader.ParseOutput(c.line), 0);
    EXPECT_EQ(reader.CodePage(), c.codePage) << Utils::WideToNarrow(c.line, 65001);
    EXPECT_TRUE(recorder.Events().empty());
  }
}

class UninstallReaderTable : public ::testing::TestWithParam<ReaderCase> {};

TEST_P(UninstallReaderTable, RaisesEventsAndVerdict) {
  const ReaderCase& c = GetParam();
  EventRecorder recorder;
  CUnInstaller reader(recorder.Callback(), L"u.exe", L"D:\\P");
  EXPECT_EQ(reader.ParseOutput(c.chunk), c.verdict);
  EXPECT_EQ(recorder.Events(), c.events);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, UninstallReaderTable,
    ::testing::Values(ReaderCase{"progress", L"Progress=0.4x\n", {{5002, 0.4, L""}}, 0},
                      ReaderCase{"error_value_zero", L"Error=file in use\r\n", {{5005, 0, L"file in use\r"}}, 1000},
                      ReaderCase{"state_success", L"State=Success \n", {{5003, 0, L""}}, 1},
                      ReaderCase{"state_fail", L"State=Fail\n", {{5005, 0, L"安装包卸载失败"}}, 1000},
                      ReaderCase{"state_other_words", L"State=success\nState=Done\n", {}, 0},
                      ReaderCase{"package_keys_unknown",
                                 L"InstPath=C:\\x\nMessage=hi\nExePath=C:\\a.exe\nStartupStyle=AutoStartup\n",
                                 {},
                                 0},
                      ReaderCase{"leading_blank", L" State=Success\n", {}, 0},
                      ReaderCase{
                          "success_then_error", L"State=Success\nError=x\n", {{5003, 0, L""}, {5005, 0, L"x"}}, 1000}),
    [](const ::testing::TestParamInfo<ReaderCase>& info) { return std::string(info.param.name); });

TEST(UninstallReader, EncodeKnowsOnlyUtf8) {
  EventRecorder recorder;
  CUnInstaller reader(recorder.Callback(), L"u.exe", L"D:\\P");
  reader.ParseOutput(L"Encode=UTF8\n");
  EXPECT_EQ(reader.CodePage(), 65001);
  reader.ParseOutput(L"Encode=936\n");
  EXPECT_EQ(reader.CodePage(), 0);
}

TEST(LineAssembler, KeepsAnUnfinishedLineForTheNextRead) {
  CLineAssembler lines;
  EXPECT_EQ(lines.Feed("Progress=0.5\nError=Disk", 23), "Progress=0.5\n");
  EXPECT_EQ(lines.Feed(" full\nState", 11), "Error=Disk full\n");
  EXPECT_EQ(lines.Flush(), "State");
  EXPECT_EQ(lines.Flush(), "");
}

TEST(LineAssembler, KeepsAMultiByteCharacterSplitBetweenReads) {
  // "Message=你" in UTF-8, cut inside the character.
  const std::string line = "Message=\xe4\xbd\xa0\n";
  CLineAssembler lines;
  EXPECT_EQ(lines.Feed(line.data(), 10), "");
  const std::string done = lines.Feed(line.data() + 10, line.size() - 10);
  EXPECT_EQ(done, line);
  EXPECT_EQ(DecodeChildOutput(done, 65001), L"Message=你\n");
}

TEST(LineAssembler, NulEndsTheTextOfItsLineOnly) {
  const std::string bytes("Progress=0.5\0junk\nState=Success\n", 32);
  CLineAssembler lines;
  EXPECT_EQ(lines.Feed(bytes.data(), bytes.size()), "Progress=0.5\nState=Success\n");
}

TEST(LineAssembler, CutsAnOverlongLineAndDropsItsRest) {
  std::string bytes = "Message=" + std::string(CLineAssembler::kMaxLineBytes + 500, 'a') + "State=Fail\nProgress=1\n";
  CLineAssembler lines;
  const std::string out = lines.Feed(bytes.data(), bytes.size());
  const std::string expected = "Message=" + std::string(CLineAssembler::kMaxLineBytes - 8, 'a') + "\n" + "Progress=1\n";
  EXPECT_EQ(out, expected);
}

TEST(DecodeChildOutput, UsesTheAnnouncedCodePageOrTheAnsiOne) {
  const std::string gbk = "\xc4\xe3\xba\xc3";  // 你好 in code page 936
  EXPECT_EQ(DecodeChildOutput(gbk, 936), L"你好");
  EXPECT_EQ(DecodeChildOutput("\xe4\xbd\xa0\xe5\xa5\xbd", 65001), L"你好");
  // A code page the system does not have would decode to nothing and lose
  // every later line: the ANSI code page is used instead.
  EXPECT_EQ(DecodeChildOutput("State=Fail\n", 99999), L"State=Fail\n");
  EXPECT_EQ(DecodeChildOutput("State=Fail\n", -5), L"State=Fail\n");
  EXPECT_EQ(DecodeChildOutput(gbk, 0), Utils::NarrowToWide(gbk, 0));
}

}  // namespace
