#pragma once
// Cuts the byte stream from a server into lines. A line ends at LF or at CR (a bare CR
// counts, so a server that sends CR alone is still understood); empty lines are skipped.
// Memory is bounded: a line longer than the limit is not kept but skipped to its end.
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace rv::standin::net {

class LineReader {
  public:
    // IRCv3 allows 8191 bytes of tags before the classic 512 of the message itself.
    static constexpr std::size_t kDefaultMaxLine = 8191 + 512;

    explicit LineReader(std::size_t max_line = kDefaultMaxLine) : m_max(max_line) {}

    // Calls `line` for every line completed by `bytes`, in order. `line` may call reset().
    void feed(std::string_view bytes, const std::function<void(std::string_view)>& line);
    // Forgets a partial line (a new connection starts clean).
    void reset();
    // How many over-long lines were skipped since the last reset.
    std::size_t skipped() const { return m_skipped; }
    std::size_t pending_bytes() const { return m_partial.size(); }

  private:
    std::size_t m_max;
    std::string m_partial;
    bool m_skipping = false;
    std::size_t m_skipped = 0;
    unsigned m_generation = 0;
};

}  // namespace rv::standin::net
