// Hours of the away bot on virtual time with a message every minute: the counts stay exact
// and memory does not grow with time. RAVELIN_SOAK_HOURS sets the span (scripts/soak-afk runs
// the whole day through the program itself).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

#include "helpers.h"

namespace rv {
namespace {

using test::count;

long resident_kb() {
    std::ifstream in("/proc/self/statm");
    long size = 0, resident = 0;
    in >> size >> resident;
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

TEST(AfkSoak, AMessageEveryMinuteForHours) {
    const char* env_hours = std::getenv("RAVELIN_SOAK_HOURS");
    const int hours = env_hours ? std::max(2, std::atoi(env_hours)) : 2;
    test::World w;
    w.start("Bob");
    w.answers = {"Bob", "lunch"};
    w.form1().Label4->user_click();
    afk::afk1& a = w.program->afk1;
    a.Command1->user_click();
    // The lines are counted as they come; the test keeps none of them.
    w.lines.clear();
    std::size_t ticks = 0, saved = 0, other = 0;
    const std::string open =
        "<FONT COLOR=#3366FF><font  face=\"Arial Narrow\"><b>\u00B7\u00B7\u203A</b>";
    w.lines_seen.reset();
    auto seen =
        w.program->client.on_line.subscribe([&](const standin::Room&, const standin::ChatLine& l) {
            if (l.html.rfind(open + "Bob  Been afk For ~> Minz  (", 0) == 0)
                ++ticks;
            else if (l.html == open + "Message Saved")
                ++saved;
            else if (l.html != open + "TYPE (.msg) to leave msg" && l.html != open + "Rsn: lunch" &&
                     l.html.rfind(".msg note ", 0) != 0)
                ++other;
        });
    const double started = w.loop.now() - 0.4;  // Timer1 went on before Start's pauses
    long after_first_hour = 0;
    for (int minute = 1; minute <= hours * 60; ++minute) {
        w.loop.wait_until(started + 60.0 * minute - 30);
        w.program->client.say_as(*w.program->client.top_room(), "Guest" + std::to_string(minute),
                                 ".msg note " + std::to_string(minute));
        w.loop.wait_until(started + 60.0 * minute);
        if (minute == 60) after_first_hour = resident_kb();
    }
    const long at_end = resident_kb();

    EXPECT_EQ(ticks, static_cast<std::size_t>(hours * 60));
    EXPECT_EQ(saved, static_cast<std::size_t>(hours * 60));
    EXPECT_EQ(other, 0u);
    EXPECT_EQ(a.Minz->caption(), "0");
    EXPECT_EQ(a.Hrs->caption(), std::to_string(hours));
    a.Command2->user_click();  // Stop writes the file in order
    std::ifstream in(w.home.file("MsgBox.txt"), std::ios::binary);
    const std::string file(std::istreambuf_iterator<char>(in), {});
    EXPECT_EQ(count(file, "\r\n"), static_cast<std::size_t>(hours * 60));
    EXPECT_EQ(count(file, "Guest1:note 1\r\n"), 1u);
    // Sorted as text: the colon sorts after the digits, so the longest run of zeros leads.
    const std::string first = hours * 60 >= 1000 ? "Guest1000:note 1000" : "Guest100:note 100";
    EXPECT_EQ(file.substr(0, first.size() + 2), first + "\r\n");
    // What may grow is the room's own transcript (five lines a minute) and the list, some
    // hundred kilobytes an hour. A record kept per poll or per tick would be megabytes.
#if defined(__SANITIZE_ADDRESS__)
    // The address sanitizer keeps freed blocks in quarantine, which reads as growth here;
    // the plain build holds the bound.
    constexpr long kPerHour = 4 * 512L;
#else
    constexpr long kPerHour = 512L;
#endif
    EXPECT_LT(at_end - after_first_hour, kPerHour * hours)
        << after_first_hour << " kB after an hour, " << at_end << " kB at the end";
    std::printf("soak: %d h, resident %ld kB after the first hour, %ld kB at the end\n", hours,
                after_first_hour, at_end);
}

}  // namespace
}  // namespace rv
