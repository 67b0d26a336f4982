// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// The 64 slots of GDI+'s object table, by the index the records name them with. A slot
// holds whatever object the last Object record put there; a drawing record that names an
// empty slot or an object of another kind draws nothing. The pixels of an image object (or
// of a texture brush's image) are decoded the first time they are drawn and kept with the
// slot until it is replaced.

#include "core/workbudget.h"
#include "gdi/plusobjects.h"

#include <QImage>

#include <array>
#include <optional>

namespace metafile::gdi {

class PlusObjectTable
{
public:
    // An index outside the table drops the object.
    void set(int index, plus::Object object);

    template<typename T>
    [[nodiscard]] const T *get(int index) const
    {
        const Slot *slot = at(index);
        return slot ? std::get_if<T>(&slot->object) : nullptr;
    }

    // The pixels of the bitmap in slot `index` (an image object, or a texture brush's
    // image), decoded once; null when the slot holds no bitmap or it does not decode.
    [[nodiscard]] const QImage *bitmap(int index, core::WorkBudget &budget);

private:
    struct Slot
    {
        plus::Object object;
        std::optional<QImage> pixels; // decoded, or a null image when decoding failed
    };
    [[nodiscard]] const Slot *at(int index) const;

    std::array<std::optional<Slot>, 64> m_slots;
};

// The pixels of a GDI+ bitmap: raw pixels in one of its formats (rows from the top, each
// `stride` bytes) or a compressed image file, its size checked against the engine's
// bitmap limits before any pixel memory is taken. Charges a unit of work per pixel.
std::optional<QImage> decodePlusBitmap(const plus::Bitmap &bitmap, core::WorkBudget &budget);

} // namespace metafile::gdi
