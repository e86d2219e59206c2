// The worker thread: a check runs on it while the window that started it
// keeps pumping, hears the progress and the end of the job, and a second
// job is refused while one runs.
#include "check_fixture.h"  // winsock2.h before windows.h

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "update/director_thread.h"

namespace wendrix::test {
namespace {

struct Heard {
  UINT message;
  WPARAM w;
  LPARAM l;
  std::wstring text;
};
std::vector<Heard> g_heard;

LRESULT CALLBACK Listener(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_COPYDATA) {
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(l);
    g_heard.push_back({message, data->dwData, 0, static_cast<const wchar_t*>(data->lpData)});
    return 1;
  }
  if (message >= WM_APP + 0x64 && message <= WM_APP + 0x6B) {
    g_heard.push_back({message, w, l, L""});
    return message == WM_APP + 0x69 ? 1 : 0;
  }
  return DefWindowProcW(window, message, w, l);
}

class DirectorThreadTest : public CheckFixture {
 protected:
  bool ServesFromFolder() const override { return true; }
  void SetUp() override {
    CheckFixture::SetUp();
    g_heard.clear();
    ASSERT_NE(OpenWindow(L"WendrixTestListener", Listener, HWND_MESSAGE), nullptr);
  }
  // Pumps until the job-done message came; false after 30 s.
  bool PumpUntilDone() {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 30000) {
      for (const Heard& h : g_heard)
        if (h.message == kMsgJobDone) return true;
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
      MSG message;
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    }
    return false;
  }
};

TEST_F(DirectorThreadTest, CheckRunsOnTheThreadAndReportsToTheWindow) {
  Register(L"1.1");
  HttpReply slow = MakeReply(200, "OK", DataFile(L"1.1", "2.0"));
  slow.delayMs = 500;
  Serve(L"1.1", slow);
  ASSERT_EQ(m_store.Open(false, nullptr), S_OK);

  CDirectorThread director;
  ASSERT_EQ(director.StartCheck(&m_settings, &m_store, nullptr, kRunLogged, m_window), S_OK);
  EXPECT_TRUE(director.Busy());
  EXPECT_EQ(director.StartCheck(&m_settings, &m_store, nullptr, 0, m_window), static_cast<HRESULT>(0x80070420));
  EXPECT_EQ(director.StartUpdate(L"http://x.example/u.exe", nullptr, nullptr, &m_settings, m_window),
            static_cast<HRESULT>(0x80070420));  // one job at a time, whatever its kind
  ASSERT_TRUE(PumpUntilDone());

  // The engine and the transfer ask whether to stop as often as they like;
  // everything else comes once, in this order.
  std::vector<UINT> order;
  std::size_t cancelQuestions = 0;
  std::wstring text;
  for (const Heard& h : g_heard) {
    if (h.message == kMsgIsCancelled) {
      ++cancelQuestions;
      continue;
    }
    order.push_back(h.message == WM_COPYDATA ? static_cast<UINT>(h.w) : h.message);
    if (h.message == WM_COPYDATA) text = h.text;
  }
  const std::vector<UINT> expected = {kMsgBegin, kMsgSetRange, kMsgStep, kCopyDataSetText, kMsgEnd, kMsgJobDone};
  EXPECT_EQ(order, expected);
  EXPECT_GE(cancelQuestions, 1u);
  EXPECT_EQ(g_heard.front().w, kRunFlagLogged) << "Begin carries the run flags";
  EXPECT_EQ(text, L"Loading data for Publisher 1.1");
  EXPECT_EQ(g_heard.back().w, kJobCheck);
  EXPECT_EQ(static_cast<HRESULT>(g_heard.back().l), S_OK);

  // The thread takes the next job once the first has ended.
  g_heard.clear();
  ASSERT_EQ(director.StartCheck(&m_settings, &m_store, L"nobody", 0, m_window), S_OK);
  ASSERT_TRUE(PumpUntilDone());
  EXPECT_EQ(static_cast<HRESULT>(g_heard.back().l), kCheckNothingEligible);
}

}  // namespace
}  // namespace wendrix::test

namespace wendrix::test {
namespace {

struct Reported {
  std::wstring position, span;
  int percent;
};
std::vector<Reported> g_reports;
int g_answer = 1;

int CALLBACK RecordProgress(const wchar_t* position, const wchar_t* span, int percent, void*) {
  g_reports.push_back({position, span, percent});
  return g_answer;
}

TEST(ProgressClientTest, ReportsRelativePositionSpanAndPercentage) {
  CProgressClient client(RecordProgress, nullptr);
  EXPECT_FALSE(client.IsCancelled());
  client.SetRange(1000, 1003);
  client.SetPosition(1001);
  client.Step();
  ASSERT_EQ(g_reports.size(), 2u);
  EXPECT_EQ(g_reports[0].position + L"/" + g_reports[0].span, L"1/3");
  EXPECT_EQ(g_reports[0].percent, 33);
  EXPECT_EQ(g_reports[1].position, L"2");
  EXPECT_EQ(g_reports[1].percent, 67) << "MulDiv rounds";
  g_answer = 0;  // the caller asks to stop
  client.Step();
  EXPECT_TRUE(client.IsCancelled());
  client.SetCancellable(false);
  EXPECT_FALSE(client.IsCancelled()) << "stopping is not offered";
}

}  // namespace
}  // namespace wendrix::test
