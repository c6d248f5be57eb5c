#pragma once
// The stand-in client's own mail: a few dozen letters in four boxes, kept in one text file in
// the home folder. The first use of a home without one makes sample mail there.
#include <cstdint>
#include <string>
#include <vector>

namespace rv::standin {

enum class Box { New, Old, Sent, Deleted };

struct Mail {
    std::uint32_t id = 0;
    Box box = Box::New;
    std::string date, from, subject;
};

class MailStore {
  public:
    // `folder` empty: the mail lives in memory only.
    explicit MailStore(std::string folder);

    // The mail of one box in the order kept, loading the store on first use.
    std::vector<Mail> in(Box box);
    // Moves one letter to another box, or removes it for good; false when there is no such
    // letter. The file follows.
    bool move(std::uint32_t id, Box to);
    bool remove(std::uint32_t id);
    const std::string& path() const { return m_path; }

    static const char* const kFileName;

  private:
    void load();
    void parse(const std::string& text);
    void save() const;
    static std::vector<Mail> sample();

    std::string m_path;
    bool m_loaded = false;
    bool m_writable = false;  // false when the file could not be read: never overwrite it
    std::vector<Mail> m_mail;
};

}  // namespace rv::standin
