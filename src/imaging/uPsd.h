#pragma once
// Photoshop documents: reads the composite image of 8-bit RGB, 8-bit grayscale and
// 1-bit bitmap documents (raw, PackBits, zip or zip with prediction); writes 8-bit
// RGB with PackBits.

#include <imaging/uBitmap.h>

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class QIODevice;

struct TPSDChannel
{
    std::uint16_t ID = 0;
    std::uint32_t LG = 0;
};

using TPSDChar4 = std::array<char, 4>;

struct TPSDLayer
{
    QByteArray Name;
    std::uint32_t Width = 0;
    std::uint32_t Height = 0;
    std::uint32_t Top = 0;
    std::uint32_t Left = 0;
    std::uint16_t Channels = 0;
    std::vector<TPSDChannel> Channel;
    TPSDChar4 BlendMode{{'n', 'o', 'r', 'm'}};
    std::uint8_t Opacity = 0;
    std::unique_ptr<TBitmap> Bitmap; // owned by the layer
};

struct TPSDFile
{
    std::uint16_t ColorMode = 0;
    std::uint16_t Depth = 0;
    std::uint16_t Channels = 0;
    int Width = 0;
    int Height = 0;
    std::uint16_t LayerCount = 0;
    std::vector<TPSDLayer> Layer;
};

// True when the picture was read. Unsupported or damaged documents give False and
// leave Bitmap unchanged; Reason (when given) then says why, e.g. "Unsupported PSD
// depth: 16 bits per channel". Only file-system errors raise (EFileError).
bool PSDLoadFromFile(const QString& FileName, TBitmap& Bitmap, QString* Reason = nullptr);
// 8-bit RGB, alpha not stored. Raises EFileError when the file cannot be written.
bool PSDSaveToFile(const QString& FileName, const TBitmap& Bitmap);

bool ReadPSDHeader(QIODevice& Stream, TPSDFile& PSD);
bool ReadPSDImageData(QIODevice& Stream, TPSDLayer& Layer, std::uint16_t ColorMode,
                      std::uint16_t Depth);
// Reads one row of one channel (ByteCount bytes in the file) into Row (RowLength
// bytes). Compressed: PackBits; output beyond RowLength is dropped. False when the
// data ends early (the missing bytes of Row are then zero).
bool ReadPSDRow(QIODevice& Stream, bool Compressed, std::uint32_t ByteCount, std::uint8_t* Row,
                std::uint32_t RowLength);
// Encodes Count bytes into Output (room for Count + Count / 128 + 1 bytes);
// OutputLength receives the number of bytes written.
void PackBitsEncode(const std::uint8_t* Input, int Count, std::uint8_t* Output, int& OutputLength);
