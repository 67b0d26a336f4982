#pragma once

// Plays the records of a loaded metafile onto a QPainter with GDI's semantics.
//
// Data flow: RecordRef -> ByteReader over exactly that record's parameters -> one
// function per record -> DeviceContext / object table -> QPainter calls in device space.
//
// Coordinates: records give logical units; deviceTransform() maps them to GDI device
// pixels (whole numbers, like GDI, which rounds every point), and the painter's world
// transform maps device pixels onto the caller's painter with the target's top-left as
// origin. Geometry is therefore built in device pixels, which keeps pen widths, dash
// lengths and hatch spacing in device pixels as on GDI, also under unequal x/y scaling.
//
// A partly broken file: a record whose parameters are shorter than its fields need is
// skipped and the play goes on (result Malformed); a file whose record walk broke off
// plays up to that point (Truncated or Malformed); a limit ends the play at once
// (LimitExceeded). Whatever was drawn before stays drawn.

#include "bytereader.h"
#include "devicecontext.h"
#include "metafiledata.h"
#include "recordtype.h"

#include <QBrush>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QTransform>

#include <optional>
#include <vector>

namespace wmf {

struct DecodedBitmap;
enum class ColorUsage : quint16;

struct TextRecord;

class Player
{
public:
    // The frame (origin and signed extent, logical units) fills `target` (painter units).
    // With `scanMode` the player starts in MM_TEXT with device pixels equal to logical
    // units and ignores `frame`: used to find the extent of a picture without a frame.
    Player(QPainter &painter, const MetafileData &data, const QRectF &target, bool scanMode = false);

    PlayResult play();

    // Used by the text and bitmap records as well.
    QPainter &painter() { return m_painter; }
    const DeviceContext &dc() const { return m_dc; }
    DeviceContext &dc() { return m_dc; }
    QTransform deviceTransform() const; // logical units -> device pixels (unrounded)
    QPointF toDevice(QPointF logical) const; // rounded to whole device pixels like GDI
    QRectF toDeviceRect(const QRectF &logical) const; // normalised, rounded corners
    // A point as the centre of its device pixel, where GDI's pixel-exact lines run.
    QPointF toPixelCentre(QPointF logical) const { return toDevice(logical) + QPointF(0.5, 0.5); }
    QColor color(ColorRef ref) const;
    // Applies the context's clip and ROP2 to the painter before each drawing; false when
    // nothing is to be drawn (R2_NOP).
    bool prepareDrawing();
    // Charges `units` of work against limits::maxWorkUnits; false once it is spent.
    bool spendWork(qint64 units);
    // Whether a path may be drawn anti-aliased without a runaway cost in Qt's rasteriser.
    bool antialiasAffordable(const QPainterPath &devicePath, double extraWidth, double sides);

private:
    void dispatch(quint16 function, ByteReader &params);

    // Device context state.
    void saveDc();
    void restoreDc(ByteReader &r);
    void setMapMode(ByteReader &r);
    void setWindowOrg(ByteReader &r);
    void setWindowExt(ByteReader &r);
    void setViewportOrg(ByteReader &r);
    void setViewportExt(ByteReader &r);
    void offsetWindowOrg(ByteReader &r);
    void offsetViewportOrg(ByteReader &r);
    void scaleWindowExt(ByteReader &r);
    void scaleViewportExt(ByteReader &r);
    void fixIsotropic();
    void setBkColor(ByteReader &r);
    void setTextColor(ByteReader &r);
    void setBkMode(ByteReader &r);
    void setRop2(ByteReader &r);
    void setPolyFillMode(ByteReader &r);
    void setStretchBltMode(ByteReader &r);
    void setTextAlign(ByteReader &r);

    // Object table.
    void addObject(GdiObject object);
    void createPenIndirect(ByteReader &r);
    void createBrushIndirect(ByteReader &r);
    void createPatternBrush(ByteReader &r);
    void dibCreatePatternBrush(ByteReader &r);
    void createFontIndirect(ByteReader &r);
    void createPalette(ByteReader &r);
    void createRegion(ByteReader &r);
    void selectObject(ByteReader &r);
    void deleteObject(ByteReader &r);
    void selectPalette(ByteReader &r);
    void setPalEntries(ByteReader &r);
    void resizePalette(ByteReader &r);
    void animatePalette(ByteReader &r);
    const GdiObject *object(int index) const;

    // Geometry.
    void moveTo(ByteReader &r);
    void lineTo(ByteReader &r);
    void polyline(ByteReader &r);
    void polygon(ByteReader &r);
    void polyPolygon(ByteReader &r);
    void rectangle(ByteReader &r);
    void roundRect(ByteReader &r);
    void ellipse(ByteReader &r);
    void arcFamily(ByteReader &r, RecordType type);
    void setPixel(ByteReader &r);
    void patBlt(ByteReader &r);
    void floodFill(ByteReader &r, bool extended);

    // Regions and clipping.
    void selectClipRegion(ByteReader &r);
    std::optional<QRect> readClipRect(ByteReader &r);
    void intersectClipRect(ByteReader &r);
    void excludeClipRect(ByteReader &r);
    void offsetClipRgn(ByteReader &r);
    void fillRegion(ByteReader &r);
    void frameRegion(ByteReader &r);
    void invertRegion(ByteReader &r);
    void paintRegion(ByteReader &r);
    const Region *regionAt(int index) const;
    QPainterPath regionPath(const QRegion &logical) const;
    // The region in device pixels, without what lies farther than `margin` off the picture.
    QRegion deviceRegion(const QRegion &logical, QSize margin = QSize(0, 0)) const;
    void setClip(std::optional<QRegion> clip);

    // Drawing helpers (device space).
    std::optional<std::vector<QPointF>> readPoints(ByteReader &r, int count);
    QPen makePen() const;
    double penDeviceWidth() const;
    QBrush makeBrush(const Brush &brush) const;
    void fillAndStroke(const QPainterPath &devicePath, bool fill, bool stroke);
    void fillWithBrush(const QPainterPath &devicePath, const Brush &brush);
    QRectF shapeBox(ByteReader &r);
    void fillDeviceRect(const QRectF &deviceRect, quint32 rop);

    // Text records, in wmfplayer_text.cpp.
    void textOut(ByteReader &r);
    void extTextOut(ByteReader &r);
    void setTextCharExtra(ByteReader &r);
    void setTextJustification(ByteReader &r);
    void drawText(const TextRecord &text);
    double textStretch() const;

    // Bitmap records, in wmfplayer_bitmap.cpp.
    void blit(ByteReader &r, RecordType type);
    void stretchDib(ByteReader &r);
    void setDibToDev(ByteReader &r);
    QBrush patternBrush(const Brush &brush) const;
    QImage patternTile(const Brush &brush) const;
    void setPattern(Brush &brush, const DecodedBitmap &decoded);
    QRectF deviceTarget(int x, int y, int width, int height) const;
    void playDib(QByteArrayView dib, ColorUsage usage, const QRect &source, const QRectF &target, quint32 rop);
    void drawBitmap(const QImage &bitmap, const QRectF &source, const QRectF &target, quint32 rop);
    void paintImage(const QImage &image, const QRect &target, QPainter::CompositionMode mode, bool smooth);
    bool combineOnCanvas(const QRect &target, const QImage *source, quint32 rop, bool smooth);
    const QList<QRgb> *palette() const; // the selected palette, or none for the default
    void malformed(); // a record that cannot be played: skipped, the play goes on

    QPainter &m_painter;
    const MetafileData &m_data;
    QRectF m_target;
    QTransform m_baseTransform;
    DeviceContext m_dc;
    std::vector<DeviceContext> m_saved;
    std::vector<std::optional<GdiObject>> m_objects;
    size_t m_firstFreeObject = 0; // no slot below this one is free
    PlayResult m_result = PlayResult::Ok;
    qint64 m_work = 0;
    qint64 m_points = 0; // points read so far, against limits::maxTotalPoints
    double m_antialiasCost = 0; // against limits::maxAntialiasCostPerPlay
    // The last fill while nothing has been drawn over it yet, for closing the seam with the
    // next fill if that one shares an edge with it (wmfplayer_draw.cpp).
    struct LastFill
    {
        QPainterPath devicePath;
        QBrush brush;
        quint64 drawing = 0; // the value of m_drawings when it was filled
    };
    std::optional<LastFill> m_lastFill;
    quint64 m_drawings = 0; // drawing operations begun, counted by prepareDrawing()
    bool m_scanMode = false;
    bool m_clipApplied = false;
    std::optional<QPainterPath> m_outerClip; // the caller's clip, in device pixels
};

} // namespace wmf
