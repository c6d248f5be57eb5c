#pragma once
// The text of a read-only transcript, line by line: each line's own text and where it starts
// in the whole, CR-LF between lines. The offsets come from the lines' lengths, never from
// searching the text, so a line may hold anything and dropping lines keeps them exact.
#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

namespace rv::standin {

class TranscriptLines {
  public:
    void push_back(std::string line) {
        const std::size_t start = m_lines.empty() ? 0 : m_length + 2;  // "\r\n" between lines
        m_starts.push_back(start);
        m_length = start + line.size();
        m_lines.push_back(std::move(line));
    }

    // The first `count` lines go; the text then starts where the first kept line started.
    void drop_front(std::size_t count) {
        count = std::min(count, m_lines.size());
        if (count == 0) return;
        const std::size_t shift = count < m_lines.size() ? m_starts[count] : m_length + 2;
        const auto n = static_cast<std::ptrdiff_t>(count);
        m_lines.erase(m_lines.begin(), m_lines.begin() + n);
        m_starts.erase(m_starts.begin(), m_starts.begin() + n);
        for (auto& start : m_starts) start -= shift;
        m_length = m_lines.empty() ? 0 : m_length - shift;
    }

    std::size_t size() const { return m_lines.size(); }
    bool empty() const { return m_lines.empty(); }
    const std::string& operator[](std::size_t i) const { return m_lines[i]; }
    // Byte offset of each line in the whole text, ascending.
    const std::vector<std::size_t>& starts() const { return m_starts; }
    // The whole text's length in bytes.
    std::size_t length() const { return m_length; }
    std::string text() const {
        std::string all;
        all.reserve(m_length);
        for (std::size_t i = 0; i < m_lines.size(); ++i) {
            if (i) all += "\r\n";
            all += m_lines[i];
        }
        return all;
    }

  private:
    std::vector<std::string> m_lines;
    std::vector<std::size_t> m_starts;
    std::size_t m_length = 0;
};

}  // namespace rv::standin
