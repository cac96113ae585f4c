#include "common/error_handler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "platform/temp_folder.h"
#include "support/scripted_prompter.h"
#include "support/temp_tree.h"

namespace dv {
namespace {

// Records what happened, in order, across the prompter, the log and the sender.
struct Recorder : ErrorReportSender {
  std::vector<std::string> events;
  std::vector<std::pair<std::string, std::string>> requests;
  void Send(const std::string& e2, const std::string& e1) override {
    events.push_back("report");
    requests.emplace_back(e2, e1);
  }
};

class ErrorHandlerTest : public ::testing::Test {
 protected:
  test::TempTree tree;
  test::IsolatedEnvironment env{tree};
  SessionErrorLog log{PrivateTempFolder() + "/DVcurerr.txt"};
  Recorder sender;
  test::ScriptedPrompter prompter;
  size_t logSizeAtMessage = 0;
  ErrorHandler handler{prompter, log, &sender, ProgramVersion{2004, 1, 7}};

  void SetUp() override {
    prompter.OnAsk([this](const test::Asked&) {
      sender.events.push_back("message");
      logSizeAtMessage = test::TempTree::Read(log.Path()).size();
    });
    log.OpenSessionErrorLog();
  }
  std::string LogText() { return test::TempTree::Read(log.Path()); }
};

TEST_F(ErrorHandlerTest, LogRecordIsTwoLinesWithDateTabAndFields) {
  long m = mode::Log;
  handler.ReportError(Error(53, "File not found"), "cdp:4A", "/home/u/a b.txt", m);
  std::string text = LogText();
  std::regex record(
      R"(^\d{1,2}/\d{1,2}/\d{4} \d{1,2}:\d{2}:\d{2} (AM|PM)\tError: 53 Description: File not found Loc: cdp:4A\r\n/home/u/a b\.txt\r\n$)");
  EXPECT_TRUE(std::regex_match(text, record)) << text;
  EXPECT_TRUE(prompter.Log().empty());
  EXPECT_TRUE(sender.requests.empty());

  // An empty additional text still gives the second (empty) line; records follow each other.
  handler.ReportError(Error(70, "Permission denied"), "fdp:16.5", "", m);
  text = LogText();
  EXPECT_NE(text.find("Loc: fdp:16.5\r\n\r\n"), std::string::npos);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 4);
}

TEST_F(ErrorHandlerTest, ModeBitsActInOrderLogMessageReport) {
  long m = mode::Log | mode::Message | mode::Report;  // 22
  handler.ReportError(Error(58, "File already exists"), "cfo:8B", "x.txt", m);
  ASSERT_EQ(sender.events, (std::vector<std::string>{"message", "report"}));
  // The record was already in the log when the message box came up.
  EXPECT_GT(logSizeAtMessage, 0u);
  EXPECT_EQ(prompter.Log()[0].text,
            "An Error occured - Error Number: 58\r\nOccured at: cfo:8B\r\nAdditional Info: x.txt\r\n"
            "Full Description: File already exists");
  EXPECT_EQ(prompter.Log()[0].title, "Dorvane");
}

TEST_F(ErrorHandlerTest, Mode18ShowsMessageAndSendsE2ThenE1WithoutLogging) {
  long m = mode::MessageAndReport;
  handler.ReportError(Error(76, "Path not found"), "MS:05", "info", m);
  EXPECT_EQ(sender.events, (std::vector<std::string>{"message", "report"}));
  ASSERT_EQ(sender.requests.size(), 1u);
  EXPECT_EQ(sender.requests[0].first, "/cgi-bin/dverror.cgi?MS:05:err-76:ver:2004.1.7-Path not found-info-e2");
  EXPECT_EQ(sender.requests[0].second, "/cgi-bin/dverror.cgi?MS:05:err-76:ver:2004.1.7-Path not found-info-e1");
  EXPECT_EQ(LogText(), "");
}

TEST_F(ErrorHandlerTest, ModeZeroAndNegativeShowTheLowerCaseVariantOnly) {
  for (long m : {0L, -5L}) {
    prompter.Clear();
    sender.events.clear();
    handler.ReportError(Error(5, "Invalid procedure call"), "CR:2", "", m);
    ASSERT_EQ(prompter.Log().size(), 1u);
    EXPECT_NE(prompter.Log()[0].text.find("\r\noccured at: CR:2\r\n"), std::string::npos);
    EXPECT_EQ(sender.events, (std::vector<std::string>{"message"}));
  }
  EXPECT_EQ(LogText(), "");
}

TEST_F(ErrorHandlerTest, ReportOnlyModeAndAMissingSenderAndAThrowingSender) {
  long m = mode::Report;
  handler.ReportError(Error(1, "x"), "MLB:01", "", m);
  EXPECT_TRUE(prompter.Log().empty());
  EXPECT_EQ(sender.requests.size(), 1u);

  ErrorHandler quiet(prompter, log, nullptr);
  EXPECT_NO_THROW(quiet.ReportError(Error(1, "x"), "MLB:01", "", m));

  struct Failing : ErrorReportSender {
    void Send(const std::string&, const std::string&) override { throw std::runtime_error("offline"); }
  } failing;
  ErrorHandler unlucky(prompter, log, &failing);
  EXPECT_NO_THROW(unlucky.ReportError(Error(1, "x"), "MLB:01", "", m));
}

TEST_F(ErrorHandlerTest, ReopeningTheLogEmptiesItAndALostStreamIsReopenedForAppending) {
  long m = mode::Log;
  handler.ReportError(Error(53, "a"), "x:1", "", m);
  log.OpenSessionErrorLog();
  EXPECT_EQ(LogText(), "");
  handler.ReportError(Error(53, "b"), "x:2", "", m);
  EXPECT_NE(LogText().find("Description: b Loc: x:2"), std::string::npos);

  // A log that was never opened still takes records, after what the file holds.
  SessionErrorLog fresh(log.Path());
  fresh.WriteErrorLogRecord(70, "c", "x:3", "more");
  std::string text = LogText();
  EXPECT_LT(text.find("Loc: x:2"), text.find("Loc: x:3"));

  // A log whose folder is gone loses the record, not the program.
  SessionErrorLog nowhere(tree / "missing/DVcurerr.txt");
  EXPECT_NO_THROW(nowhere.WriteErrorLogRecord(70, "c", "x:3", ""));
}

TEST_F(ErrorHandlerTest, ResumeScopeReportsEachFailedStepWithItsLocationAndGoesOn) {
  ResumeScope scope(handler.Reporting(mode::Log, "item"), "fdp:16");
  std::vector<int> ran;
  EXPECT_FALSE(scope.Step([&] {
    ran.push_back(1);
    throw Error(53, "File not found");
  }));
  EXPECT_TRUE(scope.Step("fdp:16.5", [&] { ran.push_back(2); }));
  EXPECT_FALSE(scope.Step("fdp:16.10", [&] { throw std::runtime_error("boom"); }));
  EXPECT_FALSE(scope.Step([&] { throw std::bad_alloc(); }));
  EXPECT_EQ(ran, (std::vector<int>{1, 2}));
  EXPECT_EQ(scope.Failures(), 3);
  std::string text = LogText();
  EXPECT_NE(text.find("Error: 53 Description: File not found Loc: fdp:16\r\nitem\r\n"), std::string::npos);
  EXPECT_NE(text.find("Error: 50000 Description: boom Loc: fdp:16.10"), std::string::npos);
  EXPECT_NE(text.find("Error: 7 Description: Out of memory Loc: fdp:16.10"), std::string::npos);
}

}  // namespace
}  // namespace dv
