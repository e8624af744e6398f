#pragma once

#include <string>

#include "PostUrl.h"

// What a failed request ran into, in words for the status bar and messages.
std::wstring FailureText(const ServiceReply& reply);
