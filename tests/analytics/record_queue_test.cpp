// The bounded queue, its staging file and the batched flush, against the
// local collector (or a loopback port nobody listens on).
#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <thread>

#include "analytics/collector_client.h"
#include "analytics/sdk/record_queue.h"

using collect::RecordQueue;
using collect::RecordSender;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;
using namespace testing_analytics;

namespace {

std::string Rec(const std::string& tag, int n) { return "{\"" + tag + "\":" + std::to_string(n) + "}"; }

std::string StagedLines(const std::string& tag, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += Rec(tag, i) + "\n";
  return text;
}

class Queue : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(collector_.available()) << "run through run_with_collector.py";
    collector_.Clear();
  }
  std::unique_ptr<RecordQueue> Make(const std::string& url) {
    return std::make_unique<RecordQueue>(staging_, std::make_unique<RecordSender>(url));
  }
  std::unique_ptr<RecordQueue> ToCollector() { return Make(collector_.url()); }
  std::unique_ptr<RecordQueue> ToNobody() { return Make(Env("LUMAVOX_DEAD_COLLECTOR_URL")); }

  CollectorClient collector_;
  ScratchDir dir_{"queue"};
  const std::string staging_ = dir_.path() + "staging.txt";
};

TEST_F(Queue, The1025thRecordEvictsTheFirst) {
  auto q = ToNobody();
  for (int i = 0; i <= 1024; ++i) q->Add(Rec("n", i));
  const auto records = q->Records();
  ASSERT_EQ(records.size(), 1024u);
  EXPECT_EQ(records.front(), Rec("n", 1));
  EXPECT_EQ(records.back(), Rec("n", 1024));
}

TEST_F(Queue, FlushSendsBatchesOf30InOrderAndEmptiesTheQueue) {
  auto q = ToCollector();
  std::vector<std::string> sent;
  for (int i = 0; i < 65; ++i) {
    sent.push_back("{\"i\":" + std::to_string(i) + ",\"s\":\"+/= \\\"\x01\xe6\xb1\x89\"}");
    q->Add(sent.back());
  }
  EXPECT_TRUE(q->Flush());
  EXPECT_EQ(q->Size(), 0u);
  EXPECT_EQ(collector_.Records(), sent);
  const auto requests = collector_.Requests();
  ASSERT_EQ(requests.size(), 3u);
  const size_t sizes[] = {30, 30, 5};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(requests[i].status, 200);
    EXPECT_EQ(requests[i].records, sizes[i]);
    EXPECT_EQ(requests[i].path, "/sa?project=pc");
    EXPECT_EQ(requests[i].contentType, "application/x-www-form-urlencoded");
    EXPECT_EQ(requests[i].userAgent, "ZtCollect CPP SDK 0.9");
  }
}

TEST_F(Queue, FailedSendsKeepTheRecordsInOrder) {
  const struct {
    const char* mode;  // collector mode, or "absent"
    const char* diagnostic;
  } cases[] = {
      {"fail", "ZtCollect SDK send failed: collector refused the batch\n"},
      {"absent", "ZtCollect SDK send failed: Failed to connect to 127.0.0.1 port"},
  };
  for (const auto& c : cases) {
    const bool absent = std::string(c.mode) == "absent";
    WriteFile(staging_, "");  // the previous case staged its records
    if (!absent) collector_.SetMode(c.mode);
    auto q = absent ? ToNobody() : ToCollector();
    for (int i = 0; i < 40; ++i) q->Add(Rec("k", i));
    const auto before = q->Records();
    CaptureStderr();
    EXPECT_FALSE(q->Flush()) << c.mode;
    const std::string err = GetCapturedStderr();
    EXPECT_EQ(err.rfind(c.diagnostic, 0), 0u) << err;
    EXPECT_EQ(q->Records(), before) << c.mode;
    collector_.SetMode("ok");
  }
  EXPECT_TRUE(collector_.Records().empty());
}

TEST_F(Queue, FlushStopsAtTheFirstFailedPartAndTheNextFlushSendsEverything) {
  auto q = ToCollector();
  std::vector<std::string> all;
  for (int i = 0; i < 65; ++i) q->Add(all.emplace_back(Rec("r", i)));
  collector_.SetMode("fail", 1);
  CaptureStderr();
  EXPECT_FALSE(q->Flush());
  GetCapturedStderr();
  EXPECT_EQ(q->Records(), all);
  EXPECT_EQ(collector_.Requests().size(), 1u);
  EXPECT_TRUE(q->Flush());
  EXPECT_EQ(collector_.Records(), all);
}

TEST_F(Queue, AnAnswerBeyondTheTimeoutFailsThePartAndPutsBackWhatFits) {
  // The queue is full; while the first batch waits for the slow collector,
  // 20 records arrive, so only 10 of the 30 fit back.
  auto q = ToCollector();
  std::vector<std::string> first;
  for (int i = 0; i < 1024; ++i) q->Add(first.emplace_back(Rec("f", i)));
  collector_.SetMode("slow", 1);
  bool sent = true;
  const auto start = std::chrono::steady_clock::now();
  std::thread flushing([&] {
    CaptureStderr();
    sent = q->FlushPart();
    GetCapturedStderr();
  });
  while (collector_.Requests().empty()) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  for (int i = 0; i < 20; ++i) q->Add(Rec("late", i));
  flushing.join();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_FALSE(sent);
  EXPECT_LT(seconds, 4.9);  // the client gave up before the collector answered
  std::vector<std::string> expected(first.begin() + 20, first.end());
  for (int i = 0; i < 20; ++i) expected.push_back(Rec("late", i));
  EXPECT_EQ(q->Records(), expected);
}

TEST_F(Queue, StagedRecordsFillOnlyTheFreeSlotsAndTheFileIsEmptiedEitherWay) {
  const struct {
    int queued;
    int staged;
    int loaded;  // the newest staged lines that come in, at the front
  } cases[] = {{1000, 100, 24}, {1024, 100, 0}, {10, 5, 5}};
  for (const auto& c : cases) {
    WriteFile(staging_, StagedLines("s", c.staged));
    auto q = ToNobody();
    for (int i = 0; i < c.queued; ++i) q->Add(Rec("q", i));
    CaptureStderr();
    EXPECT_FALSE(q->Flush());
    GetCapturedStderr();
    std::vector<std::string> expected;
    for (int i = c.staged - c.loaded; i < c.staged; ++i) expected.push_back(Rec("s", i));
    for (int i = 0; i < c.queued; ++i) expected.push_back(Rec("q", i));
    EXPECT_EQ(q->Records(), expected) << c.queued << "+" << c.staged;
    EXPECT_EQ(ReadFile(staging_), "") << c.queued << "+" << c.staged;
    q.reset();  // stages everything again
  }
}

TEST_F(Queue, DestroyingTheQueueStagesItAfterWhatWasAlreadyStaged) {
  WriteFile(staging_, StagedLines("old", 2));
  {
    auto q = ToNobody();
    q->Add(Rec("new", 0));
  }
  EXPECT_EQ(ReadFile(staging_), Rec("old", 0) + "\n" + Rec("old", 1) + "\n" + Rec("new", 0) + "\n");
  // The next queue sends them all, oldest first, and the file is left empty.
  auto next = ToCollector();
  EXPECT_TRUE(next->Flush());
  EXPECT_EQ(collector_.Records(), (std::vector<std::string>{Rec("old", 0), Rec("old", 1), Rec("new", 0)}));
  EXPECT_EQ(ReadFile(staging_), "");
}

TEST_F(Queue, DamagedStagingLinesAreSkippedWithADiagnostic) {
  const std::string tooLong = "{\"x\":\"" + std::string(RecordQueue::kMaxStagedLineBytes, 'x') + "\"}";
  WriteFile(staging_, std::string("{\"a\":1}\n") + "\n" + "not a record\n" + "{broken}\n" + "{\"b\":2}\r\n" + tooLong +
                          "\n" + "{\"c\":[1,{\"d\":null}]}\n" + "{\"cut\":\"");
  auto q = ToCollector();
  CaptureStderr();
  EXPECT_TRUE(q->Flush());
  const auto err = Lines(GetCapturedStderr());
  EXPECT_EQ(collector_.Records(), (std::vector<std::string>{"{\"a\":1}", "{\"b\":2}", "{\"c\":[1,{\"d\":null}]}"}));
  ASSERT_EQ(err.size(), 4u);
  EXPECT_EQ(err[0], "Skipped a staged line that is not a JSON record: not a record");
  EXPECT_EQ(err[1], "Skipped a staged line that is not a JSON record: {broken}");
  EXPECT_EQ(err[3], "Skipped a staged line that is not a JSON record: {\"cut\":\"");
}

TEST_F(Queue, AMissingOrUnwritableStagingFileLosesNothingQueued) {
  {
    RecordQueue q(dir_.path() + "no-such-folder\\staging.txt",
                  std::make_unique<RecordSender>(Env("LUMAVOX_DEAD_COLLECTOR_URL")));
    q.Add(Rec("k", 1));
    CaptureStderr();
    EXPECT_FALSE(q.Flush());
    EXPECT_EQ(q.Size(), 1u);
    GetCapturedStderr();
    CaptureStderr();
    q.Stage();
    const std::string err = GetCapturedStderr();
    EXPECT_NE(err.find("Failed to stage 1 records to '"), std::string::npos) << err;
  }
}

TEST_F(Queue, AnOversizedRefusalIsCutInTheDiagnostic) {
  collector_.SetMode("fail", 1, 1 << 20);
  auto q = ToCollector();
  q->Add(Rec("k", 1));
  CaptureStderr();
  EXPECT_FALSE(q->Flush());
  EXPECT_EQ(GetCapturedStderr(),
            "ZtCollect SDK send failed: " + std::string(RecordSender::kMaxKeptBodyBytes, 'x') + "\n");
  EXPECT_EQ(q->Size(), 1u);
}

// A sender whose handle cannot be made, as when curl_easy_init fails.
class NoHandleSender : public RecordSender {
 public:
  NoHandleSender() : RecordSender("http://127.0.0.1:9/sa") {}
  collect::HttpResponse Post(const std::string&, const std::string&, const std::string&,
                             const std::map<std::string, std::string>&) override {
    throw std::runtime_error("Couldn't initialize curl handle");
  }
};

TEST_F(Queue, AnExceptionInsideAPartFailsItAndKeepsTheBatch) {
  RecordQueue q(staging_, std::make_unique<NoHandleSender>());
  for (int i = 0; i < 3; ++i) q.Add(Rec("e", i));
  CaptureStderr();
  EXPECT_FALSE(q.Flush());
  EXPECT_EQ(GetCapturedStderr(), "Exception when flush failed: (Couldn't initialize curl handle) \n");
  EXPECT_EQ(q.Records(), (std::vector<std::string>{Rec("e", 0), Rec("e", 1), Rec("e", 2)}));
}

}  // namespace
