#include "app/script.h"

#include <ostream>

#include "app/program.h"
#include "app/script_print.h"
#include "standin/chat_html.h"

namespace rv::app {

namespace {

forms::Form* find_form(const forms::Environment& env, const std::string& name) {
    for (forms::Form* f : env.forms())
        if (f->name() == name) return f;
    return nullptr;
}

}  // namespace

ScriptRunner::ScriptRunner(Program& program, std::vector<ScriptAction> actions, std::ostream& out,
                           std::ostream& err, Transcript transcript)
    : m_program(program), m_actions(std::move(actions)), m_out(out), m_err(err) {
    m_lines = m_program.client.on_line.subscribe([this, transcript](const standin::Room&,
                                                                    const standin::ChatLine& line) {
        if (transcript == Transcript::Plain)
            m_out << escape_controls(line.screen_name + ": " + standin::html_to_plain(line.html));
        else
            m_out << "ROOM " << escape_controls(line.screen_name) << ": "
                  << escape_controls(line.html);
        m_out << "\n" << std::flush;
    });
}

void ScriptRunner::step() {
    if (done()) return;
    const ScriptAction& a = m_actions[m_next++];
    run(a);
}

std::string ScriptRunner::next_answer() {
    while (m_answers.empty() && !done()) step();
    if (m_answers.empty()) return "";
    std::optional<std::string> a = m_answers.front();
    m_answers.pop_front();
    return a.value_or("");
}

int ScriptRunner::finish() {
    m_out << std::flush;
    if (m_failures == 0) return 0;
    m_err << "ravelin: " << m_failures << (m_failures == 1 ? " script action" : " script actions")
          << " failed\n"
          << std::flush;
    return 1;
}

void ScriptRunner::fail(const ScriptAction& a, const std::string& why) {
    ++m_failures;
    m_err << "line " << a.line << ": " << escape_controls(why) << "\n" << std::flush;
}

void ScriptRunner::run(const ScriptAction& a) {
    EventLoop& loop = m_program.env.loop();
    standin::Room* room = m_program.client.top_room();
    if (a.verb == "answer") {
        m_answers.push_back(a.cancel ? std::nullopt : std::optional<std::string>(a.text));
    } else if ((a.verb == "say" || a.verb == "say-as") && !room) {
        fail(a, "no chat room is open");
    } else if (a.verb == "say") {
        m_program.client.user_send(*room, a.text);
    } else if (a.verb == "say-as") {
        if (!m_program.client.say_as(*room, a.name, a.text))
            fail(a, "the client refused the name \"" + a.name + "\"");
    } else if (a.verb == "click" || a.verb == "dblclick") {
        user_input(a, a.verb == "dblclick");
    } else if (a.verb == "wait") {
        loop.wait_until(loop.now() + a.seconds);
    } else if (a.verb == "print") {
        print(a);
    } else if (a.verb == "open-room") {
        m_program.client.open_room(a.text);
    } else if (a.verb == "open-im") {
        m_program.client.open_im(a.text);
    }
}

void ScriptRunner::user_input(const ScriptAction& a, bool dbl) {
    forms::Form* form = find_form(m_program.env, a.form);
    forms::Control* c = form && form->loaded() ? form->find(a.control) : nullptr;
    if (!c) return fail(a, "no loaded control " + a.form + "." + a.control);
    auto* list = dynamic_cast<forms::ListBase*>(c);
    if (a.index >= 0) {
        if (!list || a.index >= list->list_count())
            return fail(a, a.form + "." + a.control + " has no entry " + std::to_string(a.index));
        // A user's click on an entry selects it, and that is its click.
        list->user_select_row(a.index - list->top_index());
        if (!dbl) return;
    }
    if (dbl)
        c->user_dbl_click();
    else
        c->user_click();
}

void ScriptRunner::print(const ScriptAction& a) {
    std::string target = a.form + "." + a.control + (a.property.empty() ? "" : "." + a.property);
    forms::Form* form = find_form(m_program.env, a.form);
    if (!form) return fail(a, "no form " + a.form);
    std::string value;
    forms::Control* c = form->loaded() ? form->find(a.control) : nullptr;
    // FORM.PROPERTY names the window itself.
    const bool known = c ? control_property(*c, a.property, value)
                         : a.property.empty() && form_property(*form, a.control, value);
    if (!known) return fail(a, "no property " + target);
    m_out << escape_controls(target + "=" + value) << "\n" << std::flush;
}

}  // namespace rv::app
