// The check Brivel Studio runs at each letter typed, on 96 pictures (the
// sample's 21 again and again, as bench/studio-timing's figure (d) makes
// them), against parsing the same description alone: the floor of a check
// that reads the quiz as `brivel check` does.

#include <cstdint>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <toml++/toml.h>

#include "io/input_file.h"
#include "maker/player_window.h"
#include "maker/quiz_description.h"
#include "maker/quiz_forms.h"
#include "maker/quiz_model.h"
#include "player_fonts.h"
#include "turbojpeg_codec.h"
#if BRIVEL_CARRIED_FONTS
#include "studio/studio_fonts.h"
#endif

namespace brivel {
namespace {

Quiz SampleQuiz(std::size_t count) {
    tool::TurboJpegCodec codec;
    const OpenedQuiz sample = OpenQuizFolder(QuizFolderSource(BRIVEL_SAMPLE_DIR), codec);
    Quiz quiz = sample.quiz;
    quiz.pictures.clear();
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t from = i % sample.quiz.pictures.size();
        Quiz::Picture& made = quiz.pictures.emplace_back(sample.quiz.pictures[from]);
        made.id = static_cast<std::uint32_t>(i + 1);
        made.name = std::to_string(i + 1) + ".jpg";
        made.stored = ReadWholeFile(sample.pictureFiles[from]).value_or(std::vector<std::uint8_t>());
    }
    return quiz;
}

void BM_CheckQuiz(benchmark::State& state) {
    const Quiz quiz = SampleQuiz(static_cast<std::size_t>(state.range(0)));
    tool::TurboJpegCodec codec;
#if BRIVEL_CARRIED_FONTS
    studio::CarriedFonts fonts;
    const FitCheck fit = tool::PlayerFitCheck(fonts);
#else
    const FitCheck fit = tool::ToolFitCheck("bench");  // FreeType's glyphs: slower
#endif
    std::vector<DescriptionProblem> problems;
    for (auto _ : state) {
        problems.clear();
        benchmark::DoNotOptimize(CheckQuiz(quiz, problems, codec, fit));
    }
    state.counters["problems"] = static_cast<double>(problems.size());
}
BENCHMARK(BM_CheckQuiz)->Arg(96)->Unit(benchmark::kMicrosecond);

void BM_ParseDescription(benchmark::State& state) {
    const std::string text = FormatDescription(SampleQuiz(static_cast<std::size_t>(state.range(0))),
                                               DescriptionWriter::Studio);
    for (auto _ : state) {
        benchmark::DoNotOptimize(toml::parse(text));
    }
}
BENCHMARK(BM_ParseDescription)->Arg(96)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace brivel
