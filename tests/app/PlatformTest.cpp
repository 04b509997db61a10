#include "app/Platform.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <gtest/gtest.h>
#include <numeric>
#include <vector>

TEST(Platform, LargeMemoryHoldsWhatIsWrittenAcrossSizesAndGrowth) {
    // Below, at and above the size from which large pages are asked for, and growing past it.
    for (const std::size_t bytes : {std::size_t(1), std::size_t(4096), std::size_t(2) << 20, (std::size_t(2) << 20) + 1, std::size_t(7) << 20}) {
        std::vector<std::uint32_t, Platform::LargeAllocator<std::uint32_t>> v(bytes / 4 + 1);
        std::iota(v.begin(), v.end(), 7u);
        v.push_back(1);
        v.resize(v.size() * 3, 5);
        EXPECT_EQ(7u, v.front());
        EXPECT_EQ(7u + bytes / 4, v[bytes / 4]);
        EXPECT_EQ(1u, v[bytes / 4 + 1]);
        EXPECT_EQ(5u, v.back());
    }
    EXPECT_THROW(Platform::LargeAllocator<std::uint64_t>().allocate(std::size_t(-1) / 4), std::bad_alloc);
}

TEST(Platform, EarlyWritebackLeavesTheFileAsItIsWritten) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("daten"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    const QByteArray block(1 << 20, 'k');
    {
        const Platform::EarlyWriteback writeback(f.handle());
        for (int i = 0; i < 8; ++i)
            f.write(block);
        f.flush();
    }
    f.close();
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(block.repeated(8), f.readAll());
    // Without a descriptor nothing is written early.
    const Platform::EarlyWriteback ohne(-1);
}
