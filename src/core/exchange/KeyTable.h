#pragma once

#include <memory>
#include <vector>

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>

// Text keys, each with a number (a row, an id), for a whole file's worth of keys: the keys as
// UTF-8 packed one after another in blocks of a megabyte and an open-addressed table of their
// places, some 30 bytes a 13-digit code instead of the hundred a QHash<QString, int> entry
// costs, and no block copied as the table grows.
class KeyTable
{
public:
    // The key's number; `otherwise` for a key not in the table.
    int value(QStringView key, int otherwise = 0) const;
    bool contains(QStringView key) const;
    // Adds the key, or gives a key already there the new number.
    void insert(QStringView key, int value);
    qsizetype size() const { return m_count; }
    QStringList keys() const;

private:
    struct Slot
    {
        quint32 at = 0; // block << 20 | offset, plus 1; 0 for an empty slot
        qint32 value = 0;
    };
    size_t find(QByteArrayView key, size_t hash) const; // the key's slot, or the empty one where it would go
    QByteArrayView keyAt(quint32 at) const;
    quint32 store(QByteArrayView key);
    void grow();

    std::vector<std::unique_ptr<char[]>> m_blocks;
    size_t m_used = 0, m_blockSize = 0; // of the last block
    std::vector<Slot> m_slots;
    qsizetype m_count = 0;
};
