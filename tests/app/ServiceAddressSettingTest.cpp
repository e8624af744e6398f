// The reminder service's address as a setting of "提醒设置", and what the
// window sends where.
#include "MainWindowFixture.h"
#include "ServiceAddress.h"

namespace {

std::wstring ScratchSettings() {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring path = std::wstring(temp) + L"lumora-service-setting-test\\Lumora.ini";
  DeleteFileW(path.c_str());
  return path;
}

std::wstring StoredService(const std::wstring& path) {
  wchar_t value[256] = {};
  GetPrivateProfileStringW(L"Lumora", L"Service", L"", value, 256, path.c_str());
  return value;
}

}  // namespace

class ServiceAddressSettingTest : public MainWindowTest {
 protected:
  void SetUp() override { settings = Settings(path); }
  void TearDown() override {
    MainWindowTest::TearDown();
    DeleteFileW(path.c_str());
  }
  // Types an address into the options window and presses "保存".
  void Choose(const std::wstring& address) {
    form->cf_Click();
    SetWindowTextW(form->OptionsWindow().txtService().hWnd(), address.c_str());
    form->OptionsWindow().cmdService_Click();
  }

  const std::wstring path = ScratchSettings();
};

TEST_F(ServiceAddressSettingTest, ARefusedAddressIsNeitherStoredNorUsed) {
  Open();
  form->cf_Click();
  EXPECT_EQ(form->OptionsWindow().txtService().Text(), L"http://127.0.0.1:" + std::to_wstring(server->Port()));
  Choose(L"http://reminder.example.com");
  EXPECT_EQ(LastMessage(), AddressFaultText(AddressFault::ClearText));
  Choose(L"https://reminder.example.com/velmor305");
  EXPECT_EQ(LastMessage(), AddressFaultText(AddressFault::Path));
  EXPECT_EQ(StoredService(path), L"");
  Mark(0, L"a");
  Start();
  EXPECT_EQ(Targets().back(), "/velmor305/checkon.asp?wxid=me%40qq.com&cpid=1&pwd=code1");
}

// A run keeps the service it started with; the next start uses the new one.
TEST_F(ServiceAddressSettingTest, AChosenAddressIsRememberedAndServesFromTheNextStart) {
  Open();
  LoopbackHttpServer other([](const LoopbackHttpServer::Request& request) {
    return Ok(request.target.starts_with("/velmor305/config.asp") ? "" : "ok");
  });
  Mark(0, L"a");
  Start();
  const std::wstring chosen = L"http://LOCALHOST:" + std::to_wstring(other.Port()) + L"/";
  Choose(chosen);
  EXPECT_EQ(LastMessage(), L"服务地址已保存，下次开始监控时生效。");
  EXPECT_EQ(StoredService(path), L"http://localhost:" + std::to_wstring(other.Port()));
  EXPECT_EQ(form->OptionsWindow().txtService().Text(), StoredService(path));
  Tick();
  Press();  // stop
  EXPECT_TRUE(other.Requests().empty());
  EXPECT_EQ(Targets().back(), "/velmor305/checkoff.asp?wxid=me%40qq.com&cpid=1&pwd=code1");

  Mark(0, L"a");
  Press();
  ASSERT_EQ(form->k(), 1) << LastMessage();
  ASSERT_EQ(other.Requests().size(), 2u) << LastMessage();
  EXPECT_EQ(other.Requests()[0].target, "/velmor305/config.asp?wxid=me%40qq.com&version=3.0.5");
  EXPECT_EQ(other.Requests()[1].target, "/velmor305/checkon.asp?wxid=me%40qq.com&cpid=1&pwd=code1");

  form.reset();
  Open();  // the tips at load come from the remembered service
  EXPECT_EQ(other.Requests().back().target, "/velmor305/tips.asp");
  form->cf_Click();
  EXPECT_EQ(form->OptionsWindow().txtService().Text(), StoredService(path));
}

// Even an address written into the file by hand gets no code in clear text.
TEST_F(ServiceAddressSettingTest, ClearTextToAnotherComputerIsNeverSentAndTheStartSaysWhy) {
  ASSERT_TRUE(settings.Write(L"Service", L"http://reminder.example.com:8305"));
  Open();
  EXPECT_NE(form->StatusBar().Text(0).find(L"服务地址必须以 https:// 开头"), std::wstring::npos)
      << form->StatusBar().Text(0);
  Mark(0, L"a");
  Start();
  EXPECT_NE(LastMessage().find(L"服务地址必须以 https:// 开头"), std::wstring::npos) << LastMessage();
  DropPort(8080);
  Tick();
  EXPECT_TRUE(form->ringon());
  EXPECT_TRUE(Targets().empty());
}

TEST_F(ServiceAddressSettingTest, EveryRetryOfAReminderCarriesItsOwnKey) {
  Open();
  Mark(0, L"a");
  Mark(1, L"b");
  Start();
  AnswerPath("/tx.asp", Status(503, "提醒队列已满，请稍后再试"));
  DropPort(8080);
  Tick();
  Tick();
  AnswerPath("/tx.asp", Ok("ok"));
  Tick();
  DropPort(9090);
  Tick();
  std::vector<std::pair<std::string, std::string>> keys;  // port, key
  for (const auto& request : server->Requests()) {
    if (!request.target.starts_with("/velmor305/tx.asp")) continue;
    const std::string port = request.target.substr(request.target.find("port=") + 5, 4);
    keys.emplace_back(port, request.headers.contains("idempotency-key") ? request.headers.at("idempotency-key") : "");
  }
  ASSERT_EQ(keys.size(), 4u);
  EXPECT_EQ(keys[0].second.size(), 32u);
  EXPECT_EQ(keys[0].second, keys[1].second) << "a retry";
  EXPECT_EQ(keys[0].second, keys[2].second) << "the retry that is taken";
  EXPECT_EQ(keys[3].first, "9090");
  EXPECT_EQ(keys[3].second.size(), 32u);
  EXPECT_NE(keys[3].second, keys[0].second) << "the next reminder";
}
