// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "breakabletext.h"

namespace {

// A word is long when a path or a name longer than this could not be cut short enough.
constexpr qsizetype longWord = 24;
constexpr qsizetype breakEvery = 16;

} // namespace

QString breakableText(const QString &text)
{
    static const QChar zeroWidthSpace(0x200B);
    QString out;
    out.reserve(text.size() + text.size() / 8);
    qsizetype wordStart = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !text.at(i).isSpace())
            continue;
        const QStringView word = QStringView(text).mid(wordStart, i - wordStart);
        qsizetype sinceBreak = 0;
        for (qsizetype j = 0; j < word.size(); ++j) {
            const QChar c = word.at(j);
            out += c;
            const bool separator = c == u'/' || c == u'\\' || c == u'_' || c == u'-' || c == u'.';
            const bool last = j + 1 == word.size();
            ++sinceBreak;
            if (word.size() > longWord && !last && !c.isHighSurrogate() && (separator || sinceBreak >= breakEvery)) {
                out += zeroWidthSpace;
                sinceBreak = 0;
            }
        }
        if (i < text.size())
            out += text.at(i);
        wordStart = i + 1;
    }
    return out;
}
