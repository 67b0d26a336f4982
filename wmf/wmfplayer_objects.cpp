// The object table: creation records, SELECTOBJECT, DELETEOBJECT and palettes.

#include "wmflimits.h"
#include "wmfplayer.h"

namespace wmf {

// GDI puts a new object into the lowest free slot, so later indices depend on the order
// of deletions. A full table drops the object, as GDI does. The search starts at the
// lowest slot that can be free, so that a file creating objects into a full table of
// 65,535 slots costs no more than one into an empty one.
void Player::addObject(GdiObject object)
{
    while (m_firstFreeObject < m_objects.size() && m_objects[m_firstFreeObject])
        ++m_firstFreeObject;
    if (m_firstFreeObject < m_objects.size())
        m_objects[m_firstFreeObject++] = std::move(object);
}

const GdiObject *Player::object(int index) const
{
    if (index < 0 || index >= static_cast<int>(m_objects.size()) || !m_objects[index])
        return nullptr;
    return &*m_objects[static_cast<size_t>(index)];
}

void Player::createPenIndirect(ByteReader &r)
{
    Pen pen;
    pen.style = r.readU16();
    pen.width = r.readI16();
    r.readI16(); // the y of the width point is unused
    pen.color = r.readU32();
    if (r.ok())
        addObject(pen);
}

void Player::createBrushIndirect(ByteReader &r)
{
    Brush brush;
    brush.style = r.readU16();
    brush.color = r.readU32();
    brush.hatch = r.readU16();
    if (!r.ok())
        return;
    // A LOGBRUSH cannot carry a pattern; GDI gives such a brush its colour.
    if (brush.style != gdi::BS_NULL && brush.style != gdi::BS_HATCHED)
        brush.style = gdi::BS_SOLID;
    addObject(brush);
}

// The pattern brushes are made in wmfplayer_bitmap.cpp.

void Player::createFontIndirect(ByteReader &r)
{
    LogFont font;
    font.height = r.readI16();
    font.width = r.readI16();
    font.escapement = r.readI16();
    font.orientation = r.readI16();
    font.weight = r.readI16();
    font.italic = r.readU8() != 0;
    font.underline = r.readU8() != 0;
    font.strikeOut = r.readU8() != 0;
    font.charSet = r.readU8();
    font.outPrecision = r.readU8();
    font.clipPrecision = r.readU8();
    font.quality = r.readU8();
    font.pitchAndFamily = r.readU8();
    if (!r.ok())
        return;
    // The face name is NUL-terminated within 32 bytes; writers often cut the record short.
    const QByteArrayView face = r.rest().first(qMin<qsizetype>(r.remaining(), 32));
    const qsizetype nul = face.indexOf('\0');
    font.faceName = (nul < 0 ? face : face.first(nul)).toByteArray();
    addObject(font);
}

namespace {
// PaletteEntry: red, green, blue, flags.
QList<QRgb> readPaletteEntries(ByteReader &r, int count)
{
    QList<QRgb> entries;
    if (count > r.remaining() / 4)
        return entries; // count claims more entries than the record holds
    for (int i = 0; i < count; ++i) {
        const int red = r.readU8();
        const int green = r.readU8();
        const int blue = r.readU8();
        r.readU8();
        if (i < limits::maxPaletteEntries)
            entries.append(qRgb(red, green, blue));
    }
    return entries;
}
} // namespace

void Player::createPalette(ByteReader &r)
{
    r.readU16(); // the version, 0x0300
    const int count = r.readU16();
    Palette palette;
    palette.entries = readPaletteEntries(r, count);
    if (r.ok())
        addObject(palette);
}

void Player::selectPalette(ByteReader &r)
{
    const int index = r.readU16();
    if (!r.ok())
        return;
    if (const GdiObject *found = object(index)) {
        if (const Palette *palette = std::get_if<Palette>(found))
            m_dc.palette = *palette;
    }
}

// SETPALENTRIES and ANIMATEPALETTE act on the palette selected into the context.
void Player::setPalEntries(ByteReader &r)
{
    const int start = r.readU16();
    const int count = r.readU16();
    const QList<QRgb> entries = readPaletteEntries(r, count);
    if (!r.ok() || entries.size() != qMin(count, limits::maxPaletteEntries))
        return;
    QList<QRgb> &target = m_dc.palette.entries;
    for (int i = 0; i < entries.size() && start + i < target.size(); ++i)
        target[start + i] = entries[i];
}

void Player::animatePalette(ByteReader &r) { setPalEntries(r); }

void Player::resizePalette(ByteReader &r)
{
    const int count = r.readU16();
    if (r.ok() && !m_dc.palette.entries.isEmpty())
        m_dc.palette.entries.resize(qMin(qMax(count, 1), limits::maxPaletteEntries), qRgb(0, 0, 0));
}

void Player::selectObject(ByteReader &r)
{
    const int index = r.readU16();
    if (!r.ok())
        return;
    const GdiObject *found = object(index);
    if (!found)
        return; // an empty or unknown slot: GDI ignores the record
    if (const Pen *pen = std::get_if<Pen>(found))
        m_dc.pen = *pen;
    else if (const Brush *brush = std::get_if<Brush>(found))
        m_dc.brush = *brush;
    else if (const LogFont *font = std::get_if<LogFont>(found))
        m_dc.font = *font;
    else if (const Region *region = std::get_if<Region>(found))
        setClip(region->region); // selecting a region selects a copy as the clip region
}

// The context keeps copies of what is selected, so deleting a selected object leaves
// the drawing as GDI leaves it: the object stays in use until something replaces it.
void Player::deleteObject(ByteReader &r)
{
    const int index = r.readU16();
    if (!r.ok() || index >= static_cast<int>(m_objects.size()))
        return;
    m_objects[static_cast<size_t>(index)].reset();
    m_firstFreeObject = qMin(m_firstFreeObject, static_cast<size_t>(index));
}

} // namespace wmf
