#include "ServiceSetting.h"

#include "ServiceAddress.h"
#include "ServiceUrls.h"

namespace {

constexpr wchar_t kKey[] = L"Service";

}  // namespace

ServiceSetting::ServiceSetting(Settings settings, std::wstring buildDefault)
    : settings_(std::move(settings)), default_(ServiceBase(buildDefault)) {}

std::wstring ServiceSetting::Current() const {
  if (!chosen_.empty()) return chosen_;
  const std::wstring remembered = settings_.Read(kKey);
  return remembered.empty() ? default_ : remembered;
}

std::wstring ServiceSetting::Store(const std::wstring& written) {
  const ServiceAddress address = ParseServiceAddress(written);
  if (address.fault != AddressFault::None) return AddressFaultText(address.fault);
  chosen_ = address.text;
  settings_.Write(kKey, address.text);
  return L"";
}
