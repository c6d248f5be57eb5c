#include "standin/net/line_reader.h"

namespace rv::standin::net {

void LineReader::feed(std::string_view bytes, const std::function<void(std::string_view)>& line) {
    const unsigned generation = m_generation;
    while (!bytes.empty()) {
        std::size_t end = bytes.find_first_of("\r\n");
        std::string_view part = bytes.substr(0, end);
        if (!m_skipping && m_partial.size() + part.size() > m_max) {
            m_skipping = true;
            ++m_skipped;
            m_partial.clear();
        }
        if (!m_skipping) m_partial.append(part);
        if (end == std::string_view::npos) return;
        bytes.remove_prefix(end + 1);
        bool skipped = m_skipping;
        m_skipping = false;
        if (skipped || m_partial.empty()) continue;
        std::string complete;
        complete.swap(m_partial);
        line(complete);
        if (generation != m_generation) return;  // the handler reset the reader
    }
}

void LineReader::reset() {
    m_partial.clear();
    m_skipping = false;
    m_skipped = 0;
    ++m_generation;
}

}  // namespace rv::standin::net
