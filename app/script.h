#pragma once
// The scripted mode: one action a line, run against the program. Output, in the order things
// happen: every line the room receives and every print, one output line each (control
// characters shown escaped, so no text can split a line or forge another).
#include <deque>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "platform/loop/subscription.h"

namespace rv::app {

class Program;

struct ScriptAction {
    int line = 0;
    std::string verb;     // answer, say, say-as, click, dblclick, wait, print, open-room, open-im
    std::string text;     // answer, say, say-as, open-room, open-im
    std::string name;     // say-as
    bool cancel = false;  // "answer" alone
    std::string form, control, property;  // click, dblclick, print
    int index = -1;                       // click, dblclick: the list entry to select first
    double seconds = 0;                   // wait
};

// The longest `wait`: a day. On virtual time every timer of the program still fires through
// the wait (the scanner's poll 20 times a second), so a day costs seconds and a year hours.
constexpr double kMaxWaitSeconds = 86400;

// Refuses the whole script on the first bad line: false, with "line N: reason".
bool parse_script(const std::string& text, std::vector<ScriptAction>& out, std::string& error);

// How the room's lines are printed.
enum class Transcript {
    Html,   // "ROOM NAME: HTML", exactly as sent
    Plain,  // "NAME: TEXT", as the chat window shows it: tags gone, entities decoded
};

// `text` with control characters in a visible form: \n, \r, \t, \xNN; the C1 controls and
// the Unicode line and paragraph separators as \uNNNN. Everything else stays as it is.
std::string escape_controls(const std::string& text);

class ScriptRunner {
  public:
    ScriptRunner(Program& program, std::vector<ScriptAction> actions, std::ostream& out,
                 std::ostream& err, Transcript transcript = Transcript::Html);
    bool done() const { return m_next >= m_actions.size(); }
    // Runs the next action.
    void step();
    // The next queued answer for an input box, running actions until one is queued; none
    // (the user cancels) once the script has no more.
    std::string next_answer();
    // Actions that could not be carried out (a control or property that does not exist);
    // each wrote one line on the error stream and the run went on.
    int failures() const { return m_failures; }
    // 0, or 1 after failed actions; says how many on the error stream.
    int finish();

  private:
    void run(const ScriptAction& a);
    void print(const ScriptAction& a);
    void user_input(const ScriptAction& a, bool dbl);
    void fail(const ScriptAction& a, const std::string& why);

    Program& m_program;
    std::vector<ScriptAction> m_actions;
    std::size_t m_next = 0;
    std::ostream& m_out;
    std::ostream& m_err;
    std::deque<std::optional<std::string>> m_answers;
    int m_failures = 0;
    Subscription m_lines;
};

}  // namespace rv::app
