// An Excel 97-2003 workbook writer: one worksheet in BIFF8 records, packed
// into a compound file (the container format of those workbooks).
#include "kit/export.h"

#include "kit/numbers.h"

#include <QHash>

#include <cstring>

namespace kit {

namespace {

// Little-endian byte buffer.
class Bytes {
public:
    void u8(quint32 v) { data.append(char(v & 0xFF)); }
    void u16(quint32 v)
    {
        u8(v);
        u8(v >> 8);
    }
    void u32(quint32 v)
    {
        u16(v & 0xFFFF);
        u16(v >> 16);
    }
    void f64(double v)
    {
        quint64 bits;
        std::memcpy(&bits, &v, sizeof bits);
        u32(quint32(bits & 0xFFFFFFFFu));
        u32(quint32(bits >> 32));
    }
    void utf16(const QString& s)
    {
        for (QChar c : s)
            u16(c.unicode());
    }
    void zeros(int n) { data.append(n, '\0'); }
    int size() const { return int(data.size()); }

    QByteArray data;
};

// ------------------------------------------------------------ BIFF8 records

constexpr int kMaxRecordData = 8224;  // longest record body BIFF8 allows
constexpr quint16 kCellXf = 15;       // the first cell format after the 15 style formats

void record(Bytes& out, quint16 id, const QByteArray& body)
{
    out.u16(id);
    out.u16(quint16(body.size()));
    out.data.append(body);
}

QByteArray bof(quint16 kind)
{
    Bytes b;
    b.u16(0x0600);  // BIFF8
    b.u16(kind);    // 0x0005 workbook globals, 0x0010 worksheet
    b.u16(0x0DBB);  // build
    b.u16(0x07CC);  // year
    b.u32(0);       // file history
    b.u32(0x06);    // lowest version that can read it
    return b.data;
}

QByteArray font()
{
    Bytes b;
    b.u16(200);     // height in twips: 10 pt
    b.u16(0);       // no attributes
    b.u16(0x7FFF);  // automatic colour
    b.u16(400);     // normal weight
    b.u16(0);       // no super/subscript
    b.u8(0);        // no underline
    b.u8(0);        // family
    b.u8(0x86);     // character set GB2312
    b.u8(0);
    const QString name = QStringLiteral("宋体");
    b.u8(quint8(name.size()));
    b.u8(1);        // 16-bit characters
    b.utf16(name);
    return b.data;
}

QByteArray xf(bool style)
{
    Bytes b;
    b.u16(0);                         // font 0
    b.u16(0);                         // number format "General"
    b.u16(style ? 0xFFF5 : 0x0001);   // style XF (parent 0xFFF), or cell XF with parent 0
    b.u8(0x20);                       // aligned to the bottom
    b.u8(0);                          // no rotation
    b.u8(0);                          // no indent
    b.u8(style ? 0x00 : 0xF8);        // which attribute groups this XF sets
    b.u32(0);                         // no borders
    b.u32(0);
    b.u16(0x20C0);                    // default pattern colours
    return b.data;
}

QByteArray shortUnicode(const QString& s)
{
    Bytes b;
    b.u8(quint8(s.size()));
    b.u8(1);
    b.utf16(s);
    return b.data;
}

// The shared string table, split into CONTINUE records where it is long.
// A string's characters may run on into the next record; that record then
// starts again with the string's option byte.
void sharedStrings(Bytes& out, const QStringList& strings, quint32 totalUses)
{
    QList<QByteArray> bodies;
    Bytes cur;
    cur.u32(totalUses);
    cur.u32(quint32(strings.size()));
    auto flush = [&] {
        bodies << cur.data;
        cur = Bytes();
    };
    for (const QString& s : strings) {
        if (cur.size() + 3 + 2 > kMaxRecordData)
            flush();
        cur.u16(quint16(s.size()));
        cur.u8(1);  // 16-bit characters, no rich text, no phonetics
        int done = 0;
        while (done < s.size()) {
            int room = (kMaxRecordData - cur.size()) / 2;
            if (room == 0) {
                flush();
                cur.u8(1);
                room = (kMaxRecordData - cur.size()) / 2;
            }
            const int n = std::min(room, int(s.size()) - done);
            cur.utf16(s.mid(done, n));
            done += n;
        }
    }
    flush();
    for (int i = 0; i < bodies.size(); ++i)
        record(out, i == 0 ? 0x00FC : 0x003C, bodies[i]);
}

int displayWidth(const QString& s)
{
    int w = 0;
    for (QChar c : s)
        w += c.unicode() >= 0x2E80 ? 2 : 1;  // East Asian characters take two columns
    return w;
}

QByteArray workbookStream(const Table& table)
{
    const int columns = int(table.captions.size());

    // Strings first: the captions, then every text cell.
    QStringList strings;
    QHash<QString, quint32> stringIndex;
    quint32 uses = 0;
    auto sst = [&](const QString& s) {
        ++uses;
        auto it = stringIndex.find(s);
        if (it != stringIndex.end())
            return it.value();
        const quint32 i = quint32(strings.size());
        strings << s;
        stringIndex.insert(s, i);
        return i;
    };

    Bytes sheet;
    record(sheet, 0x0809, bof(0x0010));
    for (int c = 0; c < columns; ++c) {
        int width = displayWidth(table.captions[c]);
        for (const QVariantList& row : table.rows)
            width = std::max(width, displayWidth(cellText(row.value(c))));
        Bytes ci;
        ci.u16(c);
        ci.u16(c);
        ci.u16(quint16(std::min(width + 2, 60) * 256));
        ci.u16(kCellXf);
        ci.u16(0);
        ci.u16(0);
        record(sheet, 0x007D, ci.data);
    }
    Bytes dim;
    dim.u32(0);
    dim.u32(quint32(table.rows.size() + 1));
    dim.u16(0);
    dim.u16(quint16(columns));
    dim.u16(0);
    record(sheet, 0x0200, dim.data);

    auto label = [&](int r, int c, const QString& text) {
        Bytes b;
        b.u16(r);
        b.u16(c);
        b.u16(kCellXf);
        b.u32(sst(text.left(32767)));
        record(sheet, 0x00FD, b.data);
    };
    for (int c = 0; c < columns; ++c)
        label(0, c, table.captions[c]);
    for (int r = 0; r < table.rows.size(); ++r) {
        const QVariantList& row = table.rows[r];
        for (int c = 0; c < columns && c < row.size(); ++c) {
            const QVariant& v = row[c];
            const int t = v.typeId();
            if (t == QMetaType::Double || t == QMetaType::LongLong || t == QMetaType::Int
                || t == QMetaType::ULongLong || t == QMetaType::UInt || t == QMetaType::Float) {
                Bytes b;
                b.u16(r + 1);
                b.u16(c);
                b.u16(kCellXf);
                b.f64(v.toDouble());
                record(sheet, 0x0203, b.data);
            } else {
                const QString text = cellText(v);
                if (!text.isEmpty())
                    label(r + 1, c, text);
            }
        }
    }
    Bytes w2;
    w2.u16(0x06B6);  // gridlines, headers, zeros shown, first sheet selected
    w2.u16(0);
    w2.u16(0);
    w2.u32(64);
    w2.u16(0);
    w2.u16(0);
    w2.u32(0);
    record(sheet, 0x023E, w2.data);
    record(sheet, 0x000A, {});

    Bytes globals;
    record(globals, 0x0809, bof(0x0005));
    {
        Bytes b;
        b.u16(1200);  // text is UTF-16
        record(globals, 0x0042, b.data);
    }
    {
        Bytes b;
        b.u16(0);
        b.u16(0);
        b.u16(0x4000);
        b.u16(0x2000);
        b.u16(0x0038);
        b.u16(0);
        b.u16(0);
        b.u16(1);
        b.u16(0x0258);
        record(globals, 0x003D, b.data);
    }
    {
        Bytes b;
        b.u16(0);  // dates count from 1900
        record(globals, 0x0022, b.data);
    }
    for (int i = 0; i < 4; ++i)
        record(globals, 0x0031, font());
    for (int i = 0; i < 15; ++i)
        record(globals, 0x00E0, xf(true));
    record(globals, 0x00E0, xf(false));
    {
        Bytes b;
        b.u16(0x8000);  // built-in style on XF 0
        b.u8(0);        // "Normal"
        b.u8(0xFF);
        record(globals, 0x0293, b.data);
    }
    const int sheetOffsetAt = globals.size() + 4;  // position of the BOUNDSHEET's offset field
    {
        Bytes b;
        b.u32(0);  // patched below
        b.u8(0);   // visible
        b.u8(0);   // worksheet
        b.data.append(shortUnicode(QStringLiteral("Sheet1")));
        record(globals, 0x0085, b.data);
    }
    sharedStrings(globals, strings, uses);
    record(globals, 0x000A, {});

    const quint32 sheetOffset = quint32(globals.size());
    for (int i = 0; i < 4; ++i)
        globals.data[sheetOffsetAt + i] = char((sheetOffset >> (8 * i)) & 0xFF);
    return globals.data + sheet.data;
}

// ------------------------------------------------------------ compound file

constexpr quint32 kFree = 0xFFFFFFFF;
constexpr quint32 kEndOfChain = 0xFFFFFFFE;
constexpr quint32 kFatSector = 0xFFFFFFFD;
constexpr quint32 kDifatSector = 0xFFFFFFFC;
constexpr quint32 kNoStream = 0xFFFFFFFF;
constexpr int kSector = 512;
constexpr int kMiniStreamCutoff = 4096;

void directoryEntry(Bytes& out, const QString& name, quint8 type, quint32 child, quint32 start,
                    quint32 size)
{
    const int at = out.size();
    out.utf16(name);
    out.zeros(64 - 2 * int(name.size()));
    out.u16(name.isEmpty() ? 0 : quint16(2 * (name.size() + 1)));
    out.u8(type);
    out.u8(1);  // black
    out.u32(kNoStream);
    out.u32(kNoStream);
    out.u32(child);
    out.zeros(16 + 4 + 8 + 8);  // class id, state bits, times
    out.u32(start);
    out.u32(size);
    out.u32(0);
    Q_ASSERT(out.size() - at == 128);
}

// One stream named "Workbook" in a version 3 compound file. The stream is
// kept at 4096 bytes or more so that it lives in ordinary sectors and no
// mini stream is needed; the padding lies after the last EOF record.
QByteArray compoundFile(QByteArray stream)
{
    if (stream.size() < kMiniStreamCutoff)
        stream.append(kMiniStreamCutoff - stream.size(), '\0');
    const quint32 streamSize = quint32(stream.size());
    const quint32 streamSectors = (streamSize + kSector - 1) / kSector;
    stream.append(int(streamSectors * kSector - streamSize), '\0');

    // Sector map: stream, one directory sector, FAT sectors, DIFAT sectors.
    quint32 fat = 1, difat = 0;
    for (;;) {
        const quint32 total = streamSectors + 1 + fat + difat;
        const quint32 needFat = (total + 127) / 128;
        const quint32 needDifat = needFat > 109 ? (needFat - 109 + 126) / 127 : 0;
        if (needFat == fat && needDifat == difat)
            break;
        fat = needFat;
        difat = needDifat;
    }
    const quint32 dirSector = streamSectors;
    const quint32 firstFat = dirSector + 1;
    const quint32 firstDifat = firstFat + fat;

    QList<quint32> table(int(fat * 128), kFree);
    for (quint32 i = 0; i < streamSectors; ++i)
        table[int(i)] = i + 1 < streamSectors ? i + 1 : kEndOfChain;
    table[int(dirSector)] = kEndOfChain;
    for (quint32 i = 0; i < fat; ++i)
        table[int(firstFat + i)] = kFatSector;
    for (quint32 i = 0; i < difat; ++i)
        table[int(firstDifat + i)] = kDifatSector;

    Bytes header;
    header.data.append("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    header.zeros(16);
    header.u16(0x003E);
    header.u16(0x0003);
    header.u16(0xFFFE);
    header.u16(9);  // 512-byte sectors
    header.u16(6);  // 64-byte mini sectors
    header.zeros(6);
    header.u32(0);
    header.u32(fat);
    header.u32(dirSector);
    header.u32(0);
    header.u32(kMiniStreamCutoff);
    header.u32(kEndOfChain);  // no mini FAT
    header.u32(0);
    header.u32(difat ? firstDifat : kEndOfChain);
    header.u32(difat);
    for (quint32 i = 0; i < 109; ++i)
        header.u32(i < fat ? firstFat + i : kFree);
    Q_ASSERT(header.size() == kSector);

    Bytes dir;
    directoryEntry(dir, QStringLiteral("Root Entry"), 5, 1, kEndOfChain, 0);
    directoryEntry(dir, QStringLiteral("Workbook"), 2, kNoStream, 0, streamSize);
    directoryEntry(dir, QString(), 0, kNoStream, 0, 0);
    directoryEntry(dir, QString(), 0, kNoStream, 0, 0);

    Bytes fatBytes;
    for (quint32 v : table)
        fatBytes.u32(v);

    Bytes difatBytes;
    for (quint32 s = 0; s < difat; ++s) {
        for (quint32 i = 0; i < 127; ++i) {
            const quint32 k = 109 + s * 127 + i;
            difatBytes.u32(k < fat ? firstFat + k : kFree);
        }
        difatBytes.u32(s + 1 < difat ? firstDifat + s + 1 : kEndOfChain);
    }

    return header.data + stream + dir.data + fatBytes.data + difatBytes.data;
}

}  // namespace

QByteArray xlsWorkbook(const Table& table, QString* error)
{
    if (table.rows.size() > 65535 || table.captions.size() > 256) {
        if (error)
            *error = QStringLiteral("Excel 文件最多容纳 65535 行、256 列数据，请改用其他文件类型。");
        return {};
    }
    return compoundFile(workbookStream(table));
}

}  // namespace kit
