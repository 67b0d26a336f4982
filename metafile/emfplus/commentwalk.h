// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// The walk over the EMF+ records inside one EMR_COMMENT. The comment's parameters hold its
// data size and data; EMF+ data starts with the identifier "EMF+" and then holds records of
// a 16-bit type, 16-bit flags, a 32-bit size (of the whole record, head included, in whole
// 32-bit words) and a 32-bit data size, each checked against the comment before it is
// handed on. A record that breaks this framing ends the walk: the records before it stand.

#include "core/playresult.h"

#include <QByteArrayView>
#include <QtGlobal>

#include <vector>

namespace metafile::emfplus {

struct Record
{
    quint16 type = 0;
    quint16 flags = 0;
    QByteArrayView data; // exactly the record's data, viewing the comment
};

struct CommentRecords
{
    bool emfPlus = false; // the comment is EMF+, not a public or private comment of another kind
    std::vector<Record> records;
    core::PlayResult result = core::PlayResult::Ok; // Malformed when the framing broke
    const char *problem = nullptr; // why, when it did
};

// The records of the comment whose parameters (after the EMF record's type and size) are
// `params`; a comment of another kind gives no records and is no fault.
CommentRecords walkComment(QByteArrayView params);

} // namespace metafile::emfplus
