#include "reminder_service.hpp"

#include "fields.hpp"
#include "log.hpp"
#include "request_error.hpp"
#include "tips.hpp"

namespace lumora {
namespace {

std::string computer_text(const ComputerKey& key) {
    return key.address + " computer " + std::to_string(key.computer_id);
}

}  // namespace

ReminderService::ReminderService(ServiceSettings settings, Store& store, CredentialVault& vault, MailQueue& queue,
                                 DeadmanSwitch& deadman, CodeGate& gate, ClockFn clock)
    : settings_(std::move(settings)),
      store_(store),
      gate_(gate),
      vault_(vault),
      queue_(queue),
      deadman_(deadman),
      clock_(std::move(clock)) {}

Reply ReminderService::handle(std::string_view path, std::string_view raw_query, const std::string& client,
                              std::string_view idempotency_key) {
    using Handler = Reply (ReminderService::*)(const Request&);
    static constexpr std::pair<std::string_view, Handler> routes[] = {
        {"/velmor305/tips.asp", &ReminderService::tips},
        {"/velmor305/config.asp", &ReminderService::version_check},
        {"/velmor305/checkon.asp", &ReminderService::monitoring_on},
        {"/velmor305/checkoff.asp", &ReminderService::monitoring_off},
        {"/velmor305/tx.asp", &ReminderService::reminder},
    };
    try {
        for (const auto& [route, handler] : routes)
            if (route == path) return (this->*handler)({raw_query, client, idempotency_key});
        return {404, "未找到"};
    } catch (const RequestError& error) {
        return {error.status(), error.what()};
    } catch (const StoreBusy& error) {
        log_line(std::string(path) + " turned away: " + error.what());
        return {503, "服务繁忙，请稍后再试"};
    } catch (const std::exception& error) {
        log_line(bounded(path) + " failed: " + error.what());
        return {500, "服务内部错误"};
    }
}

Reply ReminderService::tips(const Request& request) {
    Query::parse(request.raw_query, {});
    return {200, load_tips(settings_.tips_file)};
}

Reply ReminderService::version_check(const Request& request) {
    const Query query = Query::parse(request.raw_query, {"wxid", "version"});
    mail_address(query.required("wxid"), settings_.domain);
    const auto version = Version::parse(query.required("version"));
    if (!version) throw RequestError(400, "参数 version 无效");
    if (!(*version < settings_.min_version)) return {200, ""};
    return {200, "您的 Lumora 版本 " + version->text() + " 过低，请升级到 " + settings_.min_version.text() +
                     " 或更高版本后再使用。"};
}

// Each of the three requests of a computer acts only with the code that holds it
// (CodeGate), so nothing below runs for a stranger's code.
Reply ReminderService::monitoring_on(const Request& request) {
    const Query query = Query::parse(request.raw_query, {"wxid", "cpid", "pwd"});
    const ComputerKey key = computer(query);
    const std::string verifier = gate_.admit(key, query.required("pwd"), request.client);
    const auto hold = vault_.remember(key, query.required("pwd"), verifier);
    deadman_.heartbeat(key, verifier);
    queue_.release_parked(key, verifier, clock_());
    return {200, "ok"};
}

Reply ReminderService::monitoring_off(const Request& request) {
    const Query query = Query::parse(request.raw_query, {"wxid", "cpid", "pwd"});
    const ComputerKey key = computer(query);
    gate_.admit(key, query.required("pwd"), request.client);
    store_.stop_monitoring(key);
    vault_.forget_if_unneeded(key, store_);
    log_line(computer_text(key) + " stopped monitoring");
    return {200, "电脑" + std::to_string(key.computer_id) + " 的监控已关闭"};
}

Reply ReminderService::reminder(const Request& request) {
    const Query query = Query::parse(request.raw_query, {"wxid", "port", "cpid", "pwd"});
    const ComputerKey key = computer(query);
    const std::string& watch_key = query.required("port");
    check_watch_key(watch_key);
    check_idempotency_key(request.idempotency_key);
    const std::string verifier = gate_.admit(key, query.required("pwd"), request.client);
    const TimePoint now = clock_();
    // The hold ends once the mail is in the store or refused, so a refused request's own
    // code may go below.
    const Admission admission = [&] {
        const auto hold = vault_.remember(key, query.required("pwd"), verifier);
        return queue_.push(key, reminder_mail(key.computer_id, watch_key, now), verifier, now,
                           request.idempotency_key);
    }();
    // The client did not see the first answer; it gets the same one, and no second mail.
    if (admission == Admission::repeated) return {200, "ok"};
    if (admission != Admission::queued) {
        vault_.forget_if_unneeded(key, store_);
        if (admission == Admission::over_quota) return {429, "提醒邮件过于频繁，一小时内不再发送"};
        return {503, "提醒队列已满，请稍后再试"};
    }
    log_line(computer_text(key) + " queued a reminder");
    queue_.release_parked(key, verifier, now);
    return {200, "ok"};
}

ComputerKey ReminderService::computer(const Query& query) const {
    ComputerKey key{mail_address(query.required("wxid"), settings_.domain), computer_id(query.required("cpid"))};
    check_authorisation_code(query.required("pwd"));
    return key;
}

}  // namespace lumora
