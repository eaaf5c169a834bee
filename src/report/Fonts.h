#pragma once

#include "report/Layout.h"
#include "services/Error.h"
#include "services/ErrorNumbers.h"

#include <QFont>

namespace kema::report {

// The layouts name the Windows faces; they print in the free faces that replace them:
// "ＭＳ 明朝" → IPAMincho, "ＭＳ Ｐ明朝" → IPAPMincho, "ＭＳ Ｐゴシック" → IPAPGothic,
// "Arial" → Liberation Sans, each under its full-width and its ASCII spelling.
void registerFontSubstitutions();

// Ok when the face of `design` resolves to its substitute (or, for a face without one, to
// itself); else an error naming the face and the Debian package that provides it. Checked once
// per face, in the font of `design`: the one a slip prints with, which is then loaded already.
Status checkFace(const TextFont& design);

// The font of a primitive with its size in twips as pixels, so that its layout is the same on
// every device and the paint routine only scales it.
QFont twipsFont(const TextFont& design);

} // namespace kema::report
