#include "FailureText.h"

std::wstring FailureText(const ServiceReply& reply) {
  const std::wstring status = std::to_wstring(reply.status);
  switch (reply.cause) {
    case FailureCause::Certificate:
      return L"证书不受信任或与服务地址不符";
    case FailureCause::NameNotFound:
      return L"找不到服务地址的主机名";
    case FailureCause::Refused:
      return L"服务拒绝连接";
    case FailureCause::TimedOut:
      return L"服务没有按时应答";
    case FailureCause::Status:
      return L"服务出错（" + status + L"）";
    case FailureCause::Redirect:
      return L"应答是转向（" + status + L"），不是提醒服务的应答";
    case FailureCause::NotPlainText:
      return L"应答是网页，不是提醒服务的应答（" + status + L"）";
    case FailureCause::ClearText:
      return L"服务地址必须以 https:// 开头，未发送";
    case FailureCause::Unknown:
      break;
  }
  if (reply.error != 0) return L"无法连接或无应答，错误 " + std::to_wstring(reply.error);
  return L"无法连接或无应答";
}
