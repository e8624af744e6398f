#pragma once

namespace lumora {

// Caps on open HTTP connections; past them new ones are refused at once.
struct ConnectionLimits {
    unsigned total = 10000;
    unsigned per_address = 256;
};

}  // namespace lumora
