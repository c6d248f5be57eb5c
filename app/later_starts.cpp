#include "app/later_starts.h"

namespace rv::app {

void LaterStarts::started() {
    m_started = true;
    if (m_waiting.empty()) return;
    const std::vector<std::string> files = std::move(m_waiting);
    m_waiting.clear();
    m_program.play_files(files);
}

void LaterStarts::request(const std::vector<std::string>& files) {
    if (m_bring_back) m_bring_back();
    // A main window that is closing plays nothing more.
    if (files.empty() || (m_started && !m_program.form1.loaded())) return;
    // The latest request is what the user asked for last.
    if (!m_started)
        m_waiting = files;
    else
        m_program.play_files(files);
}

}  // namespace rv::app
