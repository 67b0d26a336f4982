// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// The two readings of a size text (height or width, in twips).
//
// The size check reads the text as a whole in the user's locale (parseWholeNumber,
// isValidSize). Once both texts pass, each is read again by the older leading-number rule
// (readLeadingNumber), which knows only the period as decimal point, and the result is
// rounded to single precision for the canvas (toSingle). readSizeTwips joins the last two
// and refuses what the canvas cannot take. The two readings can differ on purpose: "1,000"
// passes the check in a locale that groups with a comma, and is applied as 1.

#include <QLocale>
#include <QString>

#include <optional>

// The whole text as a number in the locale's format: surrounding blanks, the locale's
// decimal separator and its digit grouping are accepted. Empty text, text that is not a
// number, numbers beyond double precision and the words for infinity and not-a-number give
// nothing. A number too small for double precision (1e-400) gives nothing as well.
std::optional<double> parseWholeNumber(const QString &text, const QLocale &locale);

// The size check of one field: the text reads as a whole and is not below zero. Zero is
// accepted, and so is "-0", which is zero.
bool isValidSize(const QString &text, const QLocale &locale);

// The leading-number rule:
// - blanks, tabs and line feeds are ignored wherever they stand, also between digits
//   (" 1 2 3 " reads 123); a carriage return is not a blank and ends the number;
// - an optional sign, then digits with at most one period as decimal point, then an optional
//   exponent: E, e, D or d (the double-precision exponent letter of the classic rule), an
//   optional sign and digits; an exponent letter without digits is not part of the number;
// - "&H" or "&O" (either case) and the digits that follow give a hexadecimal or octal
//   integer. It is read as a plain non-negative value of any length ("&HFFFF" is 65535):
//   the 16-bit wrap of the classic rule, which made it -1, would turn a size negative.
//   A sign before "&" is not a number;
// - the number ends at the first character that cannot continue it, a comma included;
// - a text that does not begin with a number reads 0.
// A number beyond double precision reads as an infinity of its sign, one too small for it
// as zero.
double readLeadingNumber(const QString &text);

// The value rounded to the nearest single-precision number, or nothing when it is not
// finite or lies beyond the single-precision range.
std::optional<float> toSingle(double value);

// A size text as the canvas gets it: readLeadingNumber, then toSingle, in twips. Nothing
// when the reading is not finite, lies beyond single precision or is below zero (texts that
// pass the check never are). A negative zero comes back as zero.
std::optional<float> readSizeTwips(const QString &text);
