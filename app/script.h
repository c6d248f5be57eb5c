#pragma once
// The scripted mode: one action a line, run against the program. Output, in the order things
// happen: every line the room receives ("ROOM NAME: TEXT", as sent) and every print.
#include <deque>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

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

// Refuses the whole script on the first bad line: false, with "line N: reason".
bool parse_script(const std::string& text, std::vector<ScriptAction>& out, std::string& error);

class ScriptRunner {
  public:
    ScriptRunner(Program& program, std::vector<ScriptAction> actions, std::ostream& out,
                 std::ostream& err);
    bool done() const { return m_next >= m_actions.size(); }
    // Runs the next action.
    void step();
    // The next queued answer for an input box, running actions until one is queued; none
    // (the user cancels) once the script has no more.
    std::string next_answer();

  private:
    void run(const ScriptAction& a);
    void print(const ScriptAction& a);
    bool user_input(const ScriptAction& a, bool dbl);

    Program& m_program;
    std::vector<ScriptAction> m_actions;
    std::size_t m_next = 0;
    std::ostream& m_out;
    std::ostream& m_err;
    std::deque<std::optional<std::string>> m_answers;
};

}  // namespace rv::app
