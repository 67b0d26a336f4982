// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "sizeplan.h"

#include "sizetext.h"

#include <optional>

namespace {

std::optional<float> acceptSize(const QString &text, const QLocale &locale)
{
    if (!isValidSize(text, locale))
        return std::nullopt;
    return readSizeTwips(text);
}

SizePlan refuse(const QString &message)
{
    SizePlan plan;
    plan.action = SizePlan::Action::Refuse;
    plan.message = message;
    return plan;
}

} // namespace

SizePlan planSize(const SizeRequest &request)
{
    if (!request.ticked)
        return {};

    const std::optional<float> height = acceptSize(request.heightText, request.locale);
    if (!height)
        return refuse(QStringLiteral("Please enter a valid height"));
    const std::optional<float> width = acceptSize(request.widthText, request.locale);
    if (!width)
        return refuse(QStringLiteral("Please enter a valid width"));

    SizePlan plan;
    plan.action = SizePlan::Action::Apply;
    plan.height = *height;
    plan.width = *width;
    return plan;
}
