#include "chat/commands.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <string_view>

#include "aol/lines.h"

namespace rv::chat {

namespace {

constexpr const char* kVolumeSet =
    RV_OPENING "Volume Set</b><FONT COLOR=#3366FF> \u00B7\u00B7\u203A ";
constexpr const char* kVolumeEnd = " \u2039\u00B7\u00B7";
constexpr const char* kNewMail =
    RV_OPENING "</b>Checkin <b><FONT COLOR=#3366FF> New </b> <FONT COLOR=#222222>Mail</b> ";
constexpr const char* kOldMail =
    RV_OPENING "</b>Checkin <b><FONT COLOR=#3366FF> Old </b> <FONT COLOR=#222222>Mail</b> ";
constexpr const char* kSentMail =
    "<font face=tahoma><font color=#009933><b>-\u00BA<font color=#CCCCCC></b>Checkin "
    "<b>Sent</b> Mail</b> ";
constexpr const char* kDeletedMail =
    RV_OPENING "</b>Checkin <b><FONT COLOR=#3366FF> Deleted </b> <FONT COLOR=#222222>Mail</b> ";
constexpr const char* kEqualizer =
    "<FONT COLOR=#3366FF><font  face=\"Arial Narrow\"><b>\u2022._.\u00B7\u00B7 \u00B7\u00F7</b>"
    "<FONT COLOR=#222222>Equalizer</b><FONT COLOR=#3366FF><b>\u00F7\u00B7 \u00B7._.\u2022</b> ";

bool is_digit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// The length of the run of digits at `s[i]`.
std::size_t digits_at(std::string_view s, std::size_t i) {
    std::size_t n = 0;
    while (i + n < s.size() && is_digit(s[i + n])) ++n;
    return n;
}

// A decimal number, all of `s`: [sign] digits [. digits] [e [sign] digits], with at least
// one digit before the exponent. Hexadecimal, "inf" and "nan" are not numbers here.
std::optional<double> parse_decimal(std::string_view s) {
    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    const std::size_t number_start = i;
    std::size_t mantissa = digits_at(s, i);
    i += mantissa;
    if (i < s.size() && s[i] == '.') {
        const std::size_t fraction = digits_at(s, i + 1);
        mantissa += fraction;
        i += 1 + fraction;
    }
    if (mantissa == 0) return std::nullopt;
    bool exponent_negative = false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) exponent_negative = s[i++] == '-';
        const std::size_t exponent = digits_at(s, i);
        if (exponent == 0) return std::nullopt;
        i += exponent;
    }
    if (i != s.size()) return std::nullopt;
    double value = 0;
    // from_chars reads the same in every locale; it takes no '+', so the sign is ours.
    auto [end, error] = std::from_chars(s.data() + number_start, s.data() + s.size(), value);
    if (error == std::errc::result_out_of_range)
        value = exponent_negative ? 0.0 : HUGE_VAL;  // too small to tell from 0, or too big
    else if (error != std::errc() || end != s.data() + s.size())
        return std::nullopt;
    return negative ? -value : value;
}

}  // namespace

std::optional<long> VolumeFor(const std::string& argument) {
    const std::size_t first = argument.find_first_not_of(" \t");
    if (first == std::string::npos) return std::nullopt;
    const std::size_t last = argument.find_last_not_of(" \t");
    const std::optional<double> n =
        parse_decimal(std::string_view(argument).substr(first, last - first + 1));
    if (!n) return std::nullopt;
    // Halves to the even neighbour (the default rounding mode); held within a range a long
    // keeps before the player's own range is applied.
    const double volume = std::clamp(std::nearbyint(*n * 25 - 2500), -1e9, 1e9);
    return media::clamp_volume(static_cast<long>(volume));
}

CommandInterpreter::CommandInterpreter(player::PlayerWindow& main, aol::Automation& aol,
                                       CommandTargets& targets)
    : m_main(main), m_aol(aol), m_targets(targets) {}

void CommandInterpreter::Chat1_ChatMessage(const std::string& ScreenName, const std::string& Text) {
    if (m_main.Chat1.UserScreenName() != ScreenName) return;
    // Every trigger is compared with the unchanged text, exactly: case counts and no blank
    // is trimmed. Only ".vol" is compared with the first four characters.
    if (Text.substr(0, 4) == ".vol") {
        set_volume(Text.size() > 4 ? Text.substr(4) : std::string());
    } else if (Text == ".r") {
        m_main.Label1_Click();
    } else if (Text == ".exit") {
        m_main.lbclose_Click();  // the program ends there
    } else if (Text == ".p") {
        m_main.lbplay_Click();
    } else if (Text == ".afk") {
        m_targets.show_afk();
    } else if (Text == ".stop") {
        m_main.lbstop_Click();
    } else if (Text == ".next") {
        m_main.lbfoward_Click();
    } else if (Text == ".back") {
        m_aol.WaitSeconds(0.3);
        m_main.lbback_Click();
    } else if (Text == ".new") {
        mailbox(kNewMail, "new");
    } else if (Text == ".old") {
        mailbox(kOldMail, "old");
    } else if (Text == ".sent") {
        mailbox(kSentMail, "sent");
    } else if (Text == ".delmail") {
        mailbox(kDeletedMail, "del");
    } else if (Text == ".eq") {
        m_targets.show_equalizer();
        m_aol.ChatSend(kEqualizer);
    } else if (Text == ".mute") {
        mute();
    } else if (Text == ".muteoff") {
        mute_off();
    }
}

void CommandInterpreter::set_volume(const std::string& argument) {
    // Not a number: nothing changes and the room hears nothing.
    const std::optional<long> volume = VolumeFor(argument);
    if (!volume) return;
    m_main.MediaPlayer1.set_Volume(*volume);
    m_muted = false;
    m_main.Chat1.SendChatText(kVolumeSet + argument + kVolumeEnd);
}

void CommandInterpreter::mute() {
    if (m_muted) return;  // the volume to come back to is the one before the first ".mute"
    m_volume_before_mute = m_main.MediaPlayer1.Volume();
    m_muted = true;
    m_main.MediaPlayer1.set_Volume(media::kSilentVolume);
}

void CommandInterpreter::mute_off() {
    if (!m_muted) return;
    m_muted = false;
    m_main.MediaPlayer1.set_Volume(m_volume_before_mute);
}

void CommandInterpreter::mailbox(const std::string& line, const std::string& name) {
    // The line goes out first, whether or not a mailbox can be opened.
    m_aol.ChatSend(line);
    m_targets.open_mailbox(name);
}

}  // namespace rv::chat
