// Listing a folder of 10 000 names and showing the count.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "platform/forms/environment.h"
#include "platform/forms/form.h"
#include "platform/loop/virtual_loop.h"

namespace {

class ListForm : public rv::forms::Form {
  public:
    using Form::Form;
    rv::forms::FileListBox* File1 = nullptr;
    rv::forms::Label* count = nullptr;

  protected:
    void build() override {
        File1 = add<rv::forms::FileListBox>("File1");
        File1->set_pattern("*.mp3");
        count = add<rv::forms::Label>("lbmp3num");
    }
};

void BM_ListTenThousandNames(benchmark::State& state) {
    std::string tmpl = (std::filesystem::temp_directory_path() / "ravelin-bench-XXXXXX").string();
    const std::string dir = ::mkdtemp(tmpl.data());
    for (int i = 0; i < 10000; ++i) {
        // Mixed case, some not music, as a real folder would be.
        std::string name = (i % 3 ? "Track " : "track ") + std::to_string(i * 7919 % 10007) +
                           (i % 10 == 0 ? ".txt" : (i % 2 ? ".mp3" : ".MP3"));
        std::ofstream(dir + "/" + name);
    }
    rv::VirtualLoop loop;
    rv::forms::Environment env(loop);
    ListForm form(env, "Form1");
    form.Load();
    for (auto _ : state) {
        form.File1->set_path(dir);
        form.count->set_caption(std::to_string(form.File1->list_count()));
    }
    state.counters["entries"] = form.File1->list_count();
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_ListTenThousandNames)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
