// A drive test: a scratch directory, drive 8 empty and reset before and
// after, and an image of the test's own making attached as "disk.d64".
#pragma once
#include <gtest/gtest.h>

#include "drive/drive.h"
#include "support/drive_test_support.h"
#include "support/test_support.h"

struct DriveTest : ::testing::Test {
    ScratchDirectory scratch;

    void SetUp() override
    {
        DriveDetach();
        DriveReset();
    }
    void TearDown() override { DriveDetach(); }

    void Attach(const TestDisk& disk, const std::string& name = "disk.d64")
    {
        disk.Save(name);
        std::string message;
        ASSERT_TRUE(DriveAttach(name, &message)) << message;
    }
    static TestDisk OnDisk() { return TestDisk::FromFile("disk.d64"); }
};

// Bytes 0, 1, 2, ... of a given length after a load address.
inline std::vector<uint8_t> Program(size_t length, uint16_t address = 0x1001)
{
    std::vector<uint8_t> bytes = {static_cast<uint8_t>(address), static_cast<uint8_t>(address >> 8)};
    for (size_t i = 0; i < length; i++)
        bytes.push_back(static_cast<uint8_t>(i * 7 + length));
    return bytes;
}
