#include "outbox_transport.hpp"

#include <fstream>
#include <stdexcept>

#include "time_text.hpp"

namespace lumora {
namespace {

std::string file_stem(const OutgoingMail& mail) {
    std::string stamp = local_time_text(Clock::now());
    for (char& c : stamp)
        if (c == ' ' || c == ':') c = c == ' ' ? '-' : '.';
    return stamp + "-" + std::to_string(mail.id);
}

}  // namespace

OutboxTransport::OutboxTransport(std::filesystem::path folder) : folder_(std::move(folder)) {
    std::error_code error;
    std::filesystem::create_directories(folder_, error);
    if (error || !std::filesystem::is_directory(folder_))
        throw std::runtime_error("cannot use outbox folder " + folder_.string());
}

// Written under a temporary name and renamed, so a reader never sees half a mail.
SendResult OutboxTransport::send(const OutgoingMail& mail, const std::string&, std::stop_token) {
    const std::string stem = file_stem(mail);
    const auto partial = folder_ / (stem + ".part");
    const auto final_path = folder_ / (stem + ".eml");
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        out << mail.message;
        out.close();
        if (!out) return {Delivery::retry, "cannot write " + partial.string()};
    }
    std::error_code error;
    std::filesystem::rename(partial, final_path, error);
    if (error) return {Delivery::retry, "cannot rename into " + final_path.string() + ": " + error.message()};
    return {Delivery::sent, final_path.string()};
}

}  // namespace lumora
