#include "core/exchange/KeyTable.h"

#include <cstring>

#include <QHash>
#include <QVarLengthArray>

#include "core/base/CoreError.h"

namespace {

constexpr int kOffsetBits = 20;
constexpr size_t kBlock = size_t(1) << kOffsetBits;
constexpr size_t kMaxBlocks = (size_t(1) << (32 - kOffsetBits)) - 1;

size_t hashOf(QByteArrayView key)
{
    return qHash(key, size_t(0x9e3779b97f4a7c15ULL));
}

// A key as UTF-8 without a trip to the heap when it is short ASCII, as shop numbers and codes are.
struct Utf8
{
    explicit Utf8(QStringView s)
    {
        for (const QChar c : s) {
            if (c.unicode() >= 0x80) {
                const QByteArray b = s.toUtf8();
                bytes.clear();
                bytes.append(b.constData(), b.size());
                return;
            }
            bytes.append(char(c.unicode()));
        }
    }
    QByteArrayView view() const { return QByteArrayView(bytes.constData(), bytes.size()); }
    QVarLengthArray<char, 64> bytes;
};

} // namespace

QByteArrayView KeyTable::keyAt(quint32 at) const
{
    --at;
    const char *p = m_blocks[at >> kOffsetBits].get() + (at & (kBlock - 1));
    // The length ahead of the key, seven bits a byte.
    size_t length = 0;
    for (int shift = 0;; shift += 7) {
        const auto b = quint8(*p++);
        length |= size_t(b & 0x7f) << shift;
        if (!(b & 0x80))
            break;
    }
    return QByteArrayView(p, qsizetype(length));
}

quint32 KeyTable::store(QByteArrayView key)
{
    char length[10];
    int n = 0;
    for (size_t l = size_t(key.size());; l >>= 7) {
        length[n++] = char((l & 0x7f) | (l >= 0x80 ? 0x80 : 0));
        if (l < 0x80)
            break;
    }
    const size_t need = size_t(n) + size_t(key.size());
    if (m_blocks.empty() || m_used + need > m_blockSize) {
        // A key longer than a block gets one of its own.
        if (m_blocks.size() >= kMaxBlocks)
            throw CoreError::refusal(QStringLiteral("表格太大，请分成几个文件导入"));
        m_blockSize = std::max(kBlock, need);
        m_blocks.push_back(std::make_unique<char[]>(m_blockSize));
        m_used = 0;
    }
    char *p = m_blocks.back().get() + m_used;
    std::memcpy(p, length, size_t(n));
    std::memcpy(p + n, key.data(), size_t(key.size()));
    const quint32 at = quint32(((m_blocks.size() - 1) << kOffsetBits) | m_used) + 1;
    m_used += need;
    return at;
}

size_t KeyTable::find(QByteArrayView key, size_t hash) const
{
    const size_t mask = m_slots.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot &s = m_slots[i];
        if (s.at == 0 || keyAt(s.at) == key)
            return i;
    }
}

int KeyTable::value(QStringView key, int otherwise) const
{
    if (m_count == 0)
        return otherwise;
    const Utf8 k(key);
    const Slot &s = m_slots[find(k.view(), hashOf(k.view()))];
    return s.at == 0 ? otherwise : s.value;
}

bool KeyTable::contains(QStringView key) const
{
    if (m_count == 0)
        return false;
    const Utf8 k(key);
    return m_slots[find(k.view(), hashOf(k.view()))].at != 0;
}

void KeyTable::insert(QStringView key, int value)
{
    // At most two thirds full, so that a probe ends soon.
    if (size_t(m_count + 1) * 3 > m_slots.size() * 2)
        grow();
    const Utf8 k(key);
    Slot &s = m_slots[find(k.view(), hashOf(k.view()))];
    if (s.at == 0) {
        s.at = store(k.view());
        ++m_count;
    }
    s.value = value;
}

void KeyTable::grow()
{
    std::vector<Slot> old(std::max<size_t>(64, m_slots.size() * 2));
    old.swap(m_slots);
    const size_t mask = m_slots.size() - 1;
    for (const Slot &s : old) {
        if (s.at == 0)
            continue;
        size_t i = hashOf(keyAt(s.at)) & mask;
        while (m_slots[i].at != 0)
            i = (i + 1) & mask;
        m_slots[i] = s;
    }
}

QStringList KeyTable::keys() const
{
    QStringList out;
    out.reserve(m_count);
    for (const Slot &s : m_slots)
        if (s.at != 0)
            out << QString::fromUtf8(keyAt(s.at));
    return out;
}
