#pragma once

namespace qn {

// The parameters every analytics event carries.
class Analytic {
public:
    Analytic() = delete;
    // "username" = the signed-in user's name (the empty text when signed out).
    static void setDefaultParameters();
};

} // namespace qn
