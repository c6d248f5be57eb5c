#include "standin/mail_store.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

namespace rv::standin {

const char* const MailStore::kFileName = "standin-mail.txt";

namespace {

const char* const kBoxNames[] = {"new", "old", "sent", "deleted"};

// A field of the file cannot hold its separators.
std::string field(const std::string& s) {
    std::string out;
    for (char c : s) out += (c == '\t' || c == '\n' || c == '\r') ? ' ' : c;
    return out;
}

std::vector<std::string> split_tabs(const std::string& line) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        std::size_t tab = line.find('\t', start);
        parts.push_back(line.substr(start, tab - start));
        if (tab == std::string::npos) return parts;
        start = tab + 1;
    }
}

}  // namespace

MailStore::MailStore(std::string folder) : m_path(folder.empty() ? "" : folder + "/" + kFileName) {}

std::vector<Mail> MailStore::in(Box box) {
    load();
    std::vector<Mail> out;
    for (const auto& m : m_mail)
        if (m.box == box) out.push_back(m);
    return out;
}

bool MailStore::move(std::uint32_t id, Box to) {
    load();
    for (auto& m : m_mail)
        if (m.id == id) {
            m.box = to;
            save();
            return true;
        }
    return false;
}

bool MailStore::remove(std::uint32_t id) {
    load();
    for (auto it = m_mail.begin(); it != m_mail.end(); ++it)
        if (it->id == id) {
            m_mail.erase(it);
            save();
            return true;
        }
    return false;
}

void MailStore::load() {
    namespace fs = std::filesystem;
    if (m_loaded) return;
    m_loaded = true;
    if (m_path.empty()) {
        m_mail = sample();
        return;
    }
    std::error_code ec;
    const fs::file_type type = fs::status(m_path, ec).type();
    if (type == fs::file_type::not_found) {
        m_mail = sample();  // first use: the sample becomes the file
        m_writable = true;
        save();
        return;
    }
    std::ifstream in(m_path, std::ios::binary);
    if (type == fs::file_type::regular && in) {
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (!in.bad()) {
            parse(text);
            m_writable = true;
            return;
        }
    }
    m_mail = sample();
    std::cerr << "stand-in client: cannot read " << m_path << "; sample mail shown, file kept\n";
}

void MailStore::parse(const std::string& text) {
    std::istringstream in(text);
    std::string line;
    std::uint32_t id = 0;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::string> p = split_tabs(line);
        if (p.size() != 4) continue;  // not a letter: skipped
        for (int b = 0; b < 4; ++b)
            if (p[0] == kBoxNames[b])
                m_mail.push_back({++id, static_cast<Box>(b), p[1], p[2], p[3]});
    }
}

void MailStore::save() const {
    if (!m_writable) return;
    const std::string tmp = m_path + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        for (const auto& m : m_mail)
            out << kBoxNames[static_cast<int>(m.box)] << '\t' << field(m.date) << '\t'
                << field(m.from) << '\t' << field(m.subject) << '\n';
        out.flush();
        if (!out) {
            std::remove(tmp.c_str());
            std::cerr << "stand-in client: cannot write " << m_path << "\n";
            return;
        }
    }
    if (std::rename(tmp.c_str(), m_path.c_str()) != 0) {
        std::remove(tmp.c_str());
        std::cerr << "stand-in client: cannot write " << m_path << ": " << std::strerror(errno)
                  << "\n";
    }
}

std::vector<Mail> MailStore::sample() {
    static const char* const kFrom[] = {"Ann", "Bo Diddley", "Cleo", "DJ Dev", "Eli", "Fay"};
    static const char* const kSubjects[] = {
        "Tonight's playlist", "Re: that song",    "Photos from Saturday", "Band practice",
        "Re: Re: mixtape",    "Lunch on Friday?", "New album out",        "Your order",
        "Re: the chat room",  "Concert tickets",  "Happy birthday!",      "Guitar for sale",
        "Re: speakers",       "Volume up!",       "Meeting moved",        "Check this out",
    };
    const struct {
        Box box;
        int count;
    } boxes[] = {{Box::New, 8}, {Box::Old, 14}, {Box::Sent, 9}, {Box::Deleted, 5}};
    std::vector<Mail> out;
    std::uint32_t id = 0;
    for (const auto& b : boxes)
        for (int i = 0; i < b.count; ++i) {
            const int k = static_cast<int>(id);
            const std::string day = std::to_string(1 + (k * 7) % 28);
            out.push_back({++id, b.box, "03/" + (day.size() < 2 ? "0" + day : day) + "/2003",
                           kFrom[k % 6], kSubjects[(k * 5) % 16]});
        }
    return out;
}

}  // namespace rv::standin
