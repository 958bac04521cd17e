// Run by the build: writes the studio's field numbers (studio_fields.h), the
// quiz's texts by key (quiz_model.h) and the forms' constants as the page's
// script constants.

#include <cstdio>
#include <iterator>

#include "maker/quiz_forms.h"
#include "maker/quiz_model.h"
#include "studio/studio_fields.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: describe-studio OUT.js\n");
        return 2;
    }
    std::FILE* out = std::fopen(argv[1], "w");
    if (out == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    std::fprintf(out, "  // Written by the build from studio/studio_fields.h and maker/.\n");
#define BRIVEL_STUDIO_JS(name, number) std::fprintf(out, "    %s: %d,\n", #name, number);
    std::fprintf(out, "  const Field = {\n");
    BRIVEL_STUDIO_FIELDS(BRIVEL_STUDIO_JS)
    std::fprintf(out, "  };\n  const Form = {\n");
    BRIVEL_STUDIO_FORMS(BRIVEL_STUDIO_JS)
#undef BRIVEL_STUDIO_JS
    std::fprintf(out, "  };\n  const Text = {\n");
    for (std::size_t i = 0; i < std::size(brivel::kQuizTexts); ++i) {
        std::fprintf(out, "    %s: %zu,\n", brivel::kQuizTexts[i].key, i);
    }
    std::fprintf(out, "  };\n  const DescriptionFile = \"%s\";\n", brivel::kDescriptionFileName);
    std::fprintf(out, "  const FormHead = %zu;\n", brivel::kQuizFormHead);
    return std::fclose(out) == 0 ? 0 : 1;
}
