#pragma once

// The fields through which the WebAssembly side shows things on the page.
// The build writes the same list into the page's script (its Field table),
// so the two sides never disagree on a number.

#define BRIVEL_WEB_FIELDS(FIELD)                                                              \
    FIELD(Title, 0)                                                                           \
    FIELD(Author, 1)                                                                          \
    FIELD(Explanation, 2)                                                                     \
    FIELD(Link, 3)        /* the link's text */                                               \
    FIELD(LinkAddress, 4) /* the address it opens */                                          \
    FIELD(Status, 5)                                                                          \
    FIELD(ChooserLabel, 6) /* index: the entry */                                             \
    FIELD(Verdict, 7)                                                                         \
    FIELD(Progress, 8)                                                                        \
    FIELD(Code, 9)                                                                            \
    FIELD(BoxText, 10)                                                                        \
    FIELD(Picture, 11)     /* index: the picture; the bytes of a JPEG or PNG file, or none */ \
    FIELD(Chooser, 12)     /* number: the entry to select */                                  \
    FIELD(BackColour, 13)  /* number: 0xRRGGBB, -1 for none */                                \
    FIELD(VerdictFill, 14) /* number: the verdict field's colour, sent before its word */     \
    FIELD(TitleFont, 15)   /* index 0 pixel size, 1 bold, 2 italic */                         \
    FIELD(ProgressFont, 16)                                                                   \
    FIELD(MessageCaption, 17) /* index: the icon; the text follows */                         \
    FIELD(MessageText, 18)                                                                    \
    FIELD(QuizKey, 19)                                                                        \
    FIELD(ProgressFile, 20) /* raw Windows-1252 bytes */                                      \
    FIELD(ProgressName, 21)                                                                   \
    FIELD(GradeWord, 22)                                                                      \
    FIELD(PictureBytes, 23)  /* as Picture, to decode ahead */                                \
    FIELD(Line, 24)          /* index: the line; a static text's lines, from brivel_lines */  \
    FIELD(ProgressSaid, 25)  /* why a progress is refused, or what its merge changed */       \
    FIELD(MergeOwn, 26)      /* index: the slot; the page's text the merge asks about */      \
    FIELD(MergeIncoming, 27) /* index: the slot; the loaded file's text for it */         \
    FIELD(Description, 28)   /* index: the picture; its maker's description, UTF-8 */

namespace brivel {

enum class WebField : int {
#define BRIVEL_WEB_FIELD_ENUM(name, number) name = number,
    BRIVEL_WEB_FIELDS(BRIVEL_WEB_FIELD_ENUM)
#undef BRIVEL_WEB_FIELD_ENUM
};

}  // namespace brivel
