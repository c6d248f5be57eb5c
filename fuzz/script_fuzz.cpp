// Scripts of any bytes: parsed or refused with a line number, never half-read; and what the
// output shows of any text holds no control character.
#include <cstdint>
#include <string>
#include <vector>

#include "app/script.h"
#include "check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<rv::app::ScriptAction> actions;
    std::string error;
    if (rv::app::parse_script(text, actions, error)) {
        FUZZ_CHECK(error.empty());
        int last = 0;
        for (const auto& a : actions) {
            FUZZ_CHECK(a.line > last);
            last = a.line;
            if (a.verb == "say-as") {
                FUZZ_CHECK(!a.name.empty());
                FUZZ_CHECK(a.name.find_first_of("\t\n") == std::string::npos ||
                           text.find('"') != std::string::npos);
            }
            if (a.verb == "click" || a.verb == "dblclick" || a.verb == "print")
                FUZZ_CHECK(!a.form.empty() && !a.control.empty());
            if (a.verb == "wait")
                FUZZ_CHECK(a.seconds >= 0 && a.seconds <= rv::app::kMaxWaitSeconds);
        }
    } else {
        FUZZ_CHECK(error.rfind("line ", 0) == 0);
    }
    const std::string shown = rv::app::escape_controls(text);
    for (unsigned char c : shown) FUZZ_CHECK(c >= 0x20 && c != 0x7F);
    FUZZ_CHECK(shown.find("\xC2\x85") == std::string::npos);
    FUZZ_CHECK(shown.find("\xE2\x80\xA8") == std::string::npos);
    return 0;
}
