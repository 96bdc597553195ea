// SPDX-License-Identifier: GPL-3.0-or-later
// Cost of applying the main dialog's texts (45 lookups over the whole language file) and of a
// settings load and exit save through the INI file.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>

#include "app/language.h"
#include "app/startup.h"
#include "core/settings_io.h"

namespace {

// A file of the shipped size: nine languages, about 200 keys each.
std::string syntheticLanguageFile() {
    const char* codes[] = {"EN", "NL", "DE", "FR", "PT", "IT", "PL", "ES", "TR"};
    std::string text;
    for (const char* code : codes)
        for (const char* family : {"MSG", "GDB", "CLP", "PRF"})
            for (int n = 1; n <= 63; ++n) {
                char line[160];
                std::snprintf(line, sizeof line, "%s$%s%02d = \"Some text of about sixty characters for key %s%02d\"\n",
                              code, family, n, family, n);
                text += line;
            }
    return text;
}

void BM_ApplyMainDialogTexts(benchmark::State& state) {
    int32_t language = static_cast<int32_t>(state.range(0));
    trakor::LanguageFile file(language);
    file.setText(syntheticLanguageFile());
    for (auto _ : state)
        for (int n = 1; n <= 45; ++n) {
            char key[8];
            std::snprintf(key, sizeof key, "$GDB%02d", n);
            benchmark::DoNotOptimize(file.lookup(key, 128));
        }
    state.counters["file_bytes"] = static_cast<double>(file.text().size());
}
BENCHMARK(BM_ApplyMainDialogTexts)->Arg(1)->Arg(9)->Unit(benchmark::kMicrosecond);

void BM_SettingsLoadAndExitSave(benchmark::State& state) {
    const auto dir = std::filesystem::temp_directory_path() / "trakor-bench-settings";
    std::filesystem::create_directories(dir);
    trakor::IniSettingsStore store((dir / "Trakor3.ini").string());
    trakor::Environment env;
    env.vars["HOME"] = dir.string();
    trakor::Settings s;
    for (auto _ : state) {
        trakor::loadSettings(s, store, true, env);
        benchmark::DoNotOptimize(trakor::saveExitSettings(s, store));
    }
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_SettingsLoadAndExitSave)->Unit(benchmark::kMicrosecond);

}  // namespace
