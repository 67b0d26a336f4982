#pragma once

// Services for window tests: message boxes are recorded, the open-file dialog follows a
// script, and the pointer and the shell are whatever the test sets.

#include "commondialog.h"
#include "services.h"

#include <QFile>
#include <QList>
#include <QStringList>

#include <functional>

class FakeServices final : public Services
{
public:
    struct DialogSettings
    {
        QString defaultExt, filter, title;
        qint16 filterIndex = 0;
    };

    // Each showing of the dialog takes the next answer: a path to choose, or nothing to cancel.
    QList<std::optional<QString>> answers;
    QList<DialogSettings> shown;
    QStringList messages;
    std::function<void(const QString &)> onMessage; // runs while the box would be up

    QPoint cursor;
    QStringList opened;

    void msgBox(QWidget *, const QString &text) override
    {
        messages << text;
        if (onMessage)
            onMessage(text);
    }

    void showOpen(CommonDialog &dialog, QWidget *) override
    {
        shown << DialogSettings {dialog.DefaultExt, dialog.Filter, dialog.DialogTitle, dialog.FilterIndex};
        const std::optional<QString> answer = answers.isEmpty() ? std::nullopt : answers.takeFirst();
        if (answer)
            dialog.FileName = *answer;
    }

    QPoint cursorPos() override { return cursor; }

    qintptr shellExecute(const QString &operation, const QString &file, const QString &, const QString &, int) override
    {
        opened << operation + u' ' + file;
        return 42;
    }
};

// A small metafile: a placeable frame of 1000 x 800 units, one red rectangle over its
// middle, and the end record.
inline QByteArray redRectangleMetafile()
{
    QByteArray bytes;
    auto u16 = [&](int value) {
        bytes.append(char(value & 0xFF));
        bytes.append(char((value >> 8) & 0xFF));
    };
    auto u32 = [&](quint32 value) {
        u16(int(value & 0xFFFF));
        u16(int(value >> 16));
    };
    u32(0x9AC6CDD7);
    u16(0);
    for (int v : {0, 0, 1000, 800})
        u16(v);
    u16(1440);
    u32(0);
    quint16 checksum = 0;
    for (int i = 0; i < 20; i += 2)
        checksum ^= quint16(quint8(bytes[i]) | quint8(bytes[i + 1]) << 8);
    u16(checksum);
    const int records = 7 + 4 + 7 + 3;
    u16(1);
    u16(9);
    u16(0x0300);
    u32(9 + records);
    u16(1);
    u32(7);
    u16(0);
    u32(7);
    u16(0x02FC);
    u16(0);
    u32(0x000000FF);
    u16(0); // CREATEBRUSHINDIRECT solid red
    u32(4);
    u16(0x012D);
    u16(0); // SELECTOBJECT 0
    u32(7);
    u16(0x041B);
    u16(600);
    u16(750);
    u16(200);
    u16(250); // RECTANGLE b r t l
    u32(3);
    u16(0); // EOF
    return bytes;
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
