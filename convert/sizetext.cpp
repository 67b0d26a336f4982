// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "sizetext.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace {

bool isIgnoredBlank(QChar c) { return c == u' ' || c == u'\t' || c == u'\n'; }

// Only the ASCII digits count; QChar::isDigit would also take other scripts' digits.
int digitValue(QChar c, int radix)
{
    const char16_t u = c.unicode();
    int value = -1;
    if (u >= u'0' && u <= u'9')
        value = u - u'0';
    else if (u >= u'a' && u <= u'f')
        value = u - u'a' + 10;
    else if (u >= u'A' && u <= u'F')
        value = u - u'A' + 10;
    return value < radix ? value : -1;
}

bool isDecimalDigit(QChar c) { return digitValue(c, 10) >= 0; }

// Reads characters from a text whose blanks are already gone.
class Scanner
{
public:
    explicit Scanner(const QString &text) : m_text(text) { }

    QChar peek() const { return m_position < m_text.size() ? m_text.at(m_position) : QChar(); }
    void skip() { ++m_position; }
    qsizetype position() const { return m_position; }
    void moveTo(qsizetype position) { m_position = position; }

    bool accept(char16_t c)
    {
        if (peek() != c)
            return false;
        skip();
        return true;
    }

    QString takeDecimalDigits()
    {
        const qsizetype start = m_position;
        while (isDecimalDigit(peek()))
            skip();
        return m_text.mid(start, m_position - start);
    }

private:
    const QString &m_text;
    qsizetype m_position = 0;
};

double readRadixInteger(Scanner &scanner, int radix)
{
    double value = 0.0; // exact up to 2^53; longer texts round and may grow to infinity
    for (int digit = digitValue(scanner.peek(), radix); digit >= 0; digit = digitValue(scanner.peek(), radix)) {
        value = value * radix + digit;
        scanner.skip();
    }
    return value;
}

// Far beyond any double's decimal exponent (about 308), so clamping changes nothing.
constexpr int exponentClamp = 100000;

// The exponent after E/e/D/d, or 0 with the scanner left on the letter when no digits follow.
int readExponent(Scanner &scanner)
{
    const qsizetype letter = scanner.position();
    const QChar c = scanner.peek();
    if (c != u'E' && c != u'e' && c != u'D' && c != u'd')
        return 0;
    scanner.skip();
    const bool negative = scanner.accept(u'-');
    if (!negative)
        scanner.accept(u'+');
    const QString digits = scanner.takeDecimalDigits();
    if (digits.isEmpty()) {
        scanner.moveTo(letter);
        return 0;
    }
    int exponent = 0;
    for (QChar d : digits)
        exponent = std::min(exponent * 10 + digitValue(d, 10), exponentClamp);
    return negative ? -exponent : exponent;
}

// The decimal magnitude of integerDigits.fractionDigits x 10^exponent: positive means the
// number is at least 1. Used only to tell an overflow from an underflow.
qint64 decimalMagnitude(const QString &integerDigits, const QString &fractionDigits, int exponent)
{
    qsizetype firstNonZero = 0;
    while (firstNonZero < integerDigits.size() && integerDigits.at(firstNonZero) == u'0')
        ++firstNonZero;
    if (firstNonZero < integerDigits.size())
        return exponent + qint64(integerDigits.size() - firstNonZero);
    qsizetype leadingZeros = 0;
    while (leadingZeros < fractionDigits.size() && fractionDigits.at(leadingZeros) == u'0')
        ++leadingZeros;
    return qint64(exponent) - leadingZeros;
}

bool allZeros(const QString &digits)
{
    return std::ranges::all_of(digits, [](QChar d) { return d == u'0'; });
}

double readDecimal(Scanner &scanner)
{
    const bool negative = scanner.accept(u'-');
    if (!negative)
        scanner.accept(u'+');
    const QString integerDigits = scanner.takeDecimalDigits();
    QString fractionDigits;
    if (scanner.accept(u'.'))
        fractionDigits = scanner.takeDecimalDigits();
    if (integerDigits.isEmpty() && fractionDigits.isEmpty())
        return 0.0;
    const int exponent = readExponent(scanner);
    const double sign = negative ? -1.0 : 1.0;
    if (allZeros(integerDigits) && allZeros(fractionDigits))
        return sign * 0.0;

    // std::from_chars reads the C format whatever the process's locale is.
    const std::string number = (integerDigits.isEmpty() ? QStringLiteral("0") : integerDigits).toStdString() + '.'
                             + (fractionDigits.isEmpty() ? QStringLiteral("0") : fractionDigits).toStdString() + 'e'
                             + std::to_string(exponent);
    double value = 0.0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    Q_UNUSED(end);
    if (error == std::errc::result_out_of_range) {
        value = decimalMagnitude(integerDigits, fractionDigits, exponent) > 0 ? std::numeric_limits<double>::infinity()
                                                                              : 0.0;
    }
    return sign * value;
}

} // namespace

std::optional<double> parseWholeNumber(const QString &text, const QLocale &locale)
{
    bool ok = false;
    const double value = locale.toDouble(text, &ok);
    // QLocale reads "inf" and "nan" as numbers; they are no size.
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

bool isValidSize(const QString &text, const QLocale &locale)
{
    const std::optional<double> value = parseWholeNumber(text, locale);
    return value && *value >= 0.0; // -0.0 >= 0.0 holds: "-0" is zero
}

double readLeadingNumber(const QString &text)
{
    QString compact;
    compact.reserve(text.size());
    for (QChar c : text) {
        if (!isIgnoredBlank(c))
            compact.append(c);
    }

    Scanner scanner(compact);
    if (scanner.accept(u'&')) {
        const QChar prefix = scanner.peek();
        scanner.skip();
        if (prefix == u'H' || prefix == u'h')
            return readRadixInteger(scanner, 16);
        if (prefix == u'O' || prefix == u'o')
            return readRadixInteger(scanner, 8);
        return 0.0;
    }
    return readDecimal(scanner);
}

std::optional<float> toSingle(double value)
{
    // Converting a double beyond float's range is undefined, so the range is checked first.
    if (!std::isfinite(value) || std::fabs(value) > double(std::numeric_limits<float>::max()))
        return std::nullopt;
    return static_cast<float>(value);
}

std::optional<float> readSizeTwips(const QString &text)
{
    const std::optional<float> twips = toSingle(readLeadingNumber(text));
    if (!twips || *twips < 0.0f)
        return std::nullopt;
    return *twips + 0.0f; // -0 + 0 is +0
}
