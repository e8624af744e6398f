#include "seams/seams.hpp"

namespace lumora {

Seams make_seams() {
    return {[] { return Clock::now(); }, [](std::unique_ptr<Store> store) { return store; }};
}

}  // namespace lumora
