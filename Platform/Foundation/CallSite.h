#pragma once

// Where a call was written, captured implicitly by a default argument the way
// log calls need it. The compiler builtins work with every compiler we build
// with (std::source_location needs one that libstdc++ supports).
struct CallSite {
    const char* fileName = "";
    unsigned line = 0;

    static constexpr CallSite current(const char* file = __builtin_FILE(), unsigned line = __builtin_LINE())
    {
        return CallSite{file, line};
    }
};
