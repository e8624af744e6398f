#include "mail_text.hpp"

#include <optional>

namespace lumora {
namespace {

constexpr std::string_view remark_marker = "备注 ";
constexpr std::string_view footer = "\n此邮件由 Lumora 提醒服务自动发送。\n";

struct PortAndRemark {
    std::string_view port;
    std::string_view remark;
};

std::optional<PortAndRemark> split_watch_key(std::string_view key) {
    const std::size_t marker = key.find(remark_marker);
    if (marker == 0 || marker == std::string_view::npos) return std::nullopt;
    const std::string_view port = key.substr(0, marker);
    if (port.find_first_not_of("0123456789") != std::string_view::npos) return std::nullopt;
    return PortAndRemark{port, key.substr(marker + remark_marker.size())};
}

std::string computer_name(int computer_id) { return "电脑" + std::to_string(computer_id); }

}  // namespace

MailText reminder_mail(int computer_id, std::string_view watch_key, TimePoint at) {
    const auto parts = split_watch_key(watch_key);
    MailText mail;
    const std::string watched = parts ? "端口 " + std::string(parts->port) : std::string(watch_key);
    mail.subject = "Lumora 提醒：" + computer_name(computer_id) + " " + watched + " 的连接已断开";
    mail.body = "您在" + computer_name(computer_id) + "上监视的连接已断开。\n\n";
    if (parts)
        mail.body += "端口：" + std::string(parts->port) + "\n备注：" + std::string(parts->remark) + "\n";
    else
        mail.body += "监视项：" + std::string(watch_key) + "\n";
    mail.body += "时间：" + local_time_text(at) + "\n" + std::string(footer);
    return mail;
}

MailText silence_mail(int computer_id, TimePoint last_heartbeat, std::chrono::milliseconds grace) {
    const auto seconds = std::chrono::ceil<std::chrono::seconds>(grace).count();
    MailText mail;
    mail.subject = "Lumora 提醒：" + computer_name(computer_id) + " 已失去联系";
    mail.body = computer_name(computer_id) + "已超过 " + std::to_string(seconds) +
                " 秒没有发来心跳，可能已关机、断网或 Lumora 已退出。\n\n最后一次心跳：" +
                local_time_text(last_heartbeat) + "\n" + std::string(footer);
    return mail;
}

MailText recovery_mail(int computer_id, TimePoint at) {
    MailText mail;
    mail.subject = "Lumora 提醒：" + computer_name(computer_id) + " 已恢复联系";
    mail.body = computer_name(computer_id) + "的心跳已恢复，监控继续进行。\n\n时间：" + local_time_text(at) + "\n" +
                std::string(footer);
    return mail;
}

}  // namespace lumora
