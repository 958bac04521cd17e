#pragma once

// The fields through which the studio's WebAssembly side answers the page.
// The build writes the same list into the page's script, so the two sides
// never disagree on a number.

#define BRIVEL_STUDIO_FIELDS(FIELD)                                                    \
    FIELD(ProblemField, 0)   /* index 1 for a warning; the message follows */          \
    FIELD(ProblemMessage, 1) /* index as ProblemField */                               \
    FIELD(PlanText, 2)       /* index: the picture; what preparing it does */          \
    FIELD(EncodeWidth, 3)    /* number: a picture the page encodes as JPEG */          \
    FIELD(EncodeHeight, 4)                                                             \
    FIELD(EncodePixels, 5) /* its RGBA bytes, opaque */                                     \
    FIELD(Verdict, 6)                                                                  \
    FIELD(Output, 7)        /* the bytes of the form written */                        \
    FIELD(FileName, 8)      /* index: the picture; its name in the quiz folder */      \
    FIELD(PictureStatus, 9) /* index: the picture; why it cannot be held */            \
    FIELD(Stored, 10)       /* index: the picture; its bytes as the quiz holds them */ \
    FIELD(DecodeWidth, 11)  /* number: the size a JPEG is to be decoded at */          \
    FIELD(DecodeHeight, 12)                                                            \
    FIELD(OpenFailure, 13) /* why a quiz cannot be opened */                           \
    FIELD(QuizText, 14)    /* index: a Text; the quiz as studio_describe gives it */   \
    FIELD(QuizColour, 15)  /* number: 0xRRGGBB */                                      \
    FIELD(PictureName, 16) /* index: the picture */                                    \
    FIELD(PictureAnswer, 17)                                                           \
    FIELD(PictureCode, 18)                                                             \
    FIELD(PictureBytes, 19)  /* the file as given */                                   \
    FIELD(QuizKept, 20)      /* index: a Kept; its text (numbers in decimal) */        \
    FIELD(PictureKept, 21)   /* index: picture x 16 + a Kept */                        \
    FIELD(ProblemFrench, 22) /* index as ProblemField; what the page shows */          \
    FIELD(NameOrder, 23)     /* the names given, as 32-bit indexes in their order */

// What the page sets (studio_set_text).
#define BRIVEL_STUDIO_TEXTS(TEXT) \
    TEXT(Title, 0)                \
    TEXT(Author, 1)               \
    TEXT(Explanation, 2)          \
    TEXT(Answer, 3)               \
    TEXT(Code, 4)

// What an opened quiz keeps that the studio does not show (studio_set_kept):
// no player shows it either.
#define BRIVEL_STUDIO_KEPT(KEPT) \
    KEPT(ExtraText1, 0)          \
    KEPT(ExtraText2, 1)          \
    KEPT(Header, 2)              \
    KEPT(FirstByte, 3)           \
    KEPT(AnswersPerPicture, 4)   \
    KEPT(Kind, 5)                \
    KEPT(SecondAnswer, 6)        \
    KEPT(Location, 7)            \
    KEPT(Extra, 8)

// The forms written (studio_write).
#define BRIVEL_STUDIO_FORMS(FORM) \
    FORM(Description, 0)          \
    FORM(Res, 1)                  \
    FORM(Web, 2)                  \
    FORM(Windows, 3)              \
    FORM(Linux, 4)                \
    FORM(Folder, 5)               \
    FORM(Scorm12, 6)              \
    FORM(Scorm2004, 7)

namespace brivel {

enum class StudioField : int {
#define BRIVEL_STUDIO_ENUM(name, number) name = number,
    BRIVEL_STUDIO_FIELDS(BRIVEL_STUDIO_ENUM)
};
enum class StudioText : int { BRIVEL_STUDIO_TEXTS(BRIVEL_STUDIO_ENUM) };
enum class StudioForm : int { BRIVEL_STUDIO_FORMS(BRIVEL_STUDIO_ENUM) };
enum class StudioKept : int { BRIVEL_STUDIO_KEPT(BRIVEL_STUDIO_ENUM) };
#undef BRIVEL_STUDIO_ENUM

}  // namespace brivel
