#pragma once

// The fields through which the studio's WebAssembly side answers the page.
// The build writes the same list into the page's script, so the two sides
// never disagree on a number.

#define BRIVEL_STUDIO_FIELDS(FIELD)                                                          \
    FIELD(ProblemField, 0)   /* index 1 for a warning, 2 for an info; the message follows */ \
    FIELD(ProblemMessage, 1) /* index as ProblemField */                                     \
    FIELD(PlanText, 2)       /* index: the picture's id; what preparing it does */           \
    FIELD(EncodeWidth, 3)    /* number: a picture the page encodes as JPEG */                \
    FIELD(EncodeHeight, 4)                                                                   \
    FIELD(EncodePixels, 5) /* its RGBA bytes, opaque */                                      \
    FIELD(Verdict, 6)                                                                        \
    FIELD(Output, 7)        /* the bytes of the form written */                              \
    FIELD(Record, 8)        /* the quiz as its draft keeps it */                             \
    FIELD(PictureStatus, 9) /* index: the picture's id; why it cannot be held */             \
    FIELD(Stored, 10)       /* its bytes as the quiz holds them */                           \
    FIELD(DecodeWidth, 11)  /* number: the size a JPEG is to be decoded at */                \
    FIELD(DecodeHeight, 12)                                                                  \
    FIELD(OpenFailure, 13)   /* why a quiz cannot be opened, or written */                   \
    FIELD(Text, 14)          /* index: a Text; the quiz's, or the picture's just begun */    \
    FIELD(Colour, 15)        /* number: 0xRRGGBB */                                          \
    FIELD(Picture, 16)       /* number: a picture's id (index: its place); its own follow */ \
    FIELD(Note, 17)          /* what preparing it did, or why it cannot be held */           \
    FIELD(Unusable, 18)      /* number: 1 when it cannot be held */                          \
    FIELD(StoredSize, 19)    /* number: its bytes as stored, 0 before it is prepared */      \
    FIELD(OnColour, 20)      /* number: 1 when laid on the quiz colour (not a JPEG) */       \
    FIELD(Revision, 21)      /* number (index: the id): when its bytes last changed */       \
    FIELD(ProblemFrench, 22) /* index as ProblemField; what the page shows */                \
    FIELD(NameOrder, 23)     /* the names given, as 32-bit indexes in their order */         \
    FIELD(Given, 24)         /* its file as given, where that is not what is stored */       \
    FIELD(Kind, 25)          /* index: the picture's id; its kind, as WebP or GIF */

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
enum class StudioForm : int { BRIVEL_STUDIO_FORMS(BRIVEL_STUDIO_ENUM) };
#undef BRIVEL_STUDIO_ENUM

}  // namespace brivel
