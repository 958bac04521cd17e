// Run by the build: writes the studio's field numbers (studio_fields.h) as
// the page's script constants.

#include <cstdio>

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
    std::fprintf(out, "  // Written by the build from studio/studio_fields.h.\n");
#define BRIVEL_STUDIO_JS(name, number) std::fprintf(out, "    %s: %d,\n", #name, number);
    std::fprintf(out, "  const Field = {\n");
    BRIVEL_STUDIO_FIELDS(BRIVEL_STUDIO_JS)
    std::fprintf(out, "  };\n  const Text = {\n");
    BRIVEL_STUDIO_TEXTS(BRIVEL_STUDIO_JS)
    std::fprintf(out, "  };\n  const Form = {\n");
    BRIVEL_STUDIO_FORMS(BRIVEL_STUDIO_JS)
    std::fprintf(out, "  };\n  const Kept = {\n");
    BRIVEL_STUDIO_KEPT(BRIVEL_STUDIO_JS)
    std::fprintf(out, "  };\n");
#undef BRIVEL_STUDIO_JS
    return std::fclose(out) == 0 ? 0 : 1;
}
