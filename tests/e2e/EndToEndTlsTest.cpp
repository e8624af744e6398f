// The real program against the real reminder service over HTTPS, the address
// set through "提醒设置": a dropped connection becomes a mail in the service's
// outbox; a service whose certificate no trusted authority signed gets
// nothing, and the start says it is the certificate. The script around this
// test makes the certificates, trusts one authority and starts the services,
// naming them in the environment.
#include <shlobj.h>

#include <cstdlib>

#include "ProgramDriver.h"

namespace {

using namespace std::chrono_literals;

std::wstring Environment(const wchar_t* name) {
  const wchar_t* value = _wgetenv(name);
  return value ? value : L"";
}

std::wstring SettingsFile() {
  wchar_t* appData = nullptr;
  SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &appData);
  std::wstring path = std::wstring(appData) + L"\\Lumora\\Lumora.ini";
  CoTaskMemFree(appData);
  return path;
}

int Mails(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"\\*.eml").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return 0;
  int count = 0;
  do ++count;
  while (FindNextFileW(search, &found));
  FindClose(search);
  return count;
}

class EndToEndTls : public ::testing::Test {
 protected:
  // The prefix is shared with the other end-to-end test, which must find the
  // build's own address again.
  void SetUp() override { ForgetService(); }
  void TearDown() override { ForgetService(); }
  static void ForgetService() { WritePrivateProfileStringW(L"Lumora", L"Service", nullptr, SettingsFile().c_str()); }

  // Types the address into "提醒设置" and saves it; the saving's message.
  static std::wstring ChooseService(const Program& program, const MainWindow& window, const std::wstring& address) {
    PostMessageW(window.main, WM_COMMAND, kMenuCf, 0);
    HWND options = nullptr;
    if (!WaitFor(10s, [&] { return (options = FindProcessWindow(program.Id(), L"提醒设置")) != nullptr; })) return L"";
    SendMessageW(FindWindowExW(options, nullptr, L"Edit", nullptr), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(address.c_str()));
    HWND save = FindWindowExW(options, nullptr, L"Button", L"保存");
    PostMessageW(options, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(save), BN_CLICKED), reinterpret_cast<LPARAM>(save));
    const std::wstring message = AnswerMessageBox(program, 10s);
    PostMessageW(options, WM_CLOSE, 0, 0);
    return message;
  }
};

}  // namespace

TEST_F(EndToEndTls, DroppedConnectionIsMailedOverHttps) {
  const std::wstring service = Environment(L"LUMORA_TLS_SERVICE");
  const std::wstring outbox = Environment(L"LUMORA_TLS_OUTBOX");
  ASSERT_FALSE(service.empty() || outbox.empty()) << "run by tls-end-to-end.sh";
  Listener watched;
  Program lumora(LUMORA_E2E_PROGRAM);
  const MainWindow window = MainWindow::Find(lumora);
  ASSERT_TRUE(window.list && window.strip);
  EXPECT_EQ(ChooseService(lumora, window, service), L"服务地址已保存，下次开始监控时生效。");

  ASSERT_TRUE(MarkPort(lumora, window, watched.Port(), L"网关"));
  FillAccount(window, L"me@qq.com", L"code1");
  window.Press(kCommand1);
  ASSERT_TRUE(WaitFor(15s, [&] { return WindowText(window.Control(kCommand1)) == L"单击停止"; }))
      << AnswerMessageBox(lumora, 1s);
  HWND status = GetDlgItem(window.main, kStatusBar);
  EXPECT_TRUE(WaitFor(10s, [&] { return WindowText(status).find(L"请求已送达") != std::wstring::npos; }))
      << WindowText(status);

  watched.Close();
  ASSERT_TRUE(WaitFor(60s, [&] { return Mails(outbox) == 1; })) << WindowText(status);
  const std::wstring line = L" 电脑标识：1  ，状态：监控中  ，端口：" + std::to_wstring(watched.Port()) + L"备注 网关";
  EXPECT_TRUE(WaitFor(10s, [&] { return ListBoxLine(window.Control(kList1), 1) == line + L"，提醒状态：已提醒"; }))
      << ListBoxLine(window.Control(kList1), 1);

  window.Press(kCommand1);
  EXPECT_TRUE(WaitFor(10s, [&] { return WindowText(window.Control(kCommand1)) == L"单击开始"; }));
  EXPECT_TRUE(CloseProgram(lumora, window));
}

TEST_F(EndToEndTls, AnUntrustedCertificateGetsNothingAndTheStartSaysSo) {
  const std::wstring service = Environment(L"LUMORA_UNTRUSTED_SERVICE");
  ASSERT_FALSE(service.empty()) << "run by tls-end-to-end.sh";
  Listener watched;
  Program lumora(LUMORA_E2E_PROGRAM);
  const MainWindow window = MainWindow::Find(lumora);
  ASSERT_TRUE(window.list && window.strip);
  EXPECT_EQ(ChooseService(lumora, window, service), L"服务地址已保存，下次开始监控时生效。");

  ASSERT_TRUE(MarkPort(lumora, window, watched.Port(), L"网关"));
  FillAccount(window, L"me@qq.com", L"code1");
  window.Press(kCommand1);
  const std::wstring message = AnswerMessageBox(lumora, 20s);
  EXPECT_NE(message.find(L"证书"), std::wstring::npos) << message;
  EXPECT_NE(message.find(L"监控照常开始"), std::wstring::npos) << message;
  EXPECT_TRUE(WaitFor(10s, [&] { return WindowText(window.Control(kCommand1)) == L"单击停止"; }));
  EXPECT_NE(WindowText(GetDlgItem(window.main, kStatusBar)).find(L"证书"), std::wstring::npos);
  EXPECT_TRUE(CloseProgram(lumora, window));
}
