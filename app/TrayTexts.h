#pragma once

#include <optional>
#include <string>

#include "MonitorEvent.h"

// The notification icon's tip: the monitoring state and what has dropped.
std::wstring TrayTip(bool running, int watched, int dropped);

// A watch entry as the user reads it: "端口 8080（数据库）".
std::wstring EntryLabel(const std::wstring& watchKey);

// The balloon an event shows, if it shows one.
std::optional<std::wstring> BalloonText(const MonitorEvent& event);
