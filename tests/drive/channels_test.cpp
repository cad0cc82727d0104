// Loading and saving through channels 0 and 1, names with wildcards, the
// directory as a BASIC program, and data files on channels 2-14.
#include "drive/drive_fixture.h"

namespace {

TEST_F(DriveTest, SavedFilesLoadBackAndLieOnTheImageWithAConsistentBam)
{
    Attach(TestDisk::Blank());
    const std::vector<size_t> lengths = {0, 1, 252, 253, 254, 5000};
    for (size_t length : lengths) {
        std::string name = "FILE" + std::to_string(length);
        EXPECT_EQ(SaveFile(name, Program(length)), "00, OK,00,00") << name;
        EXPECT_EQ(LoadFile(name), Program(length)) << name;
        std::vector<uint8_t> wanted;
        ASSERT_TRUE(DriveReadFile(Bytes(name), &wanted));
        EXPECT_EQ(wanted, Program(length));
        // The image on the host holds the file, read by the test's own reader.
        TestDisk disk = OnDisk();
        EXPECT_EQ(disk.ReadFile(name), Program(length)) << name;
        EXPECT_EQ(disk.BamProblems(), "") << name;
        EXPECT_EQ(disk.Directory().back().typeByte, 0x82);
        EXPECT_EQ(disk.Directory().back().blocks, (Program(length).size() + 253) / 254);
    }
    // Blocks of 254 bytes, the load address included.
    EXPECT_EQ(OnDisk().BlocksFree(), 664 - (1 + 1 + 1 + 2 + 2 + 20));
}

TEST_F(DriveTest, NamesWithWildcardsLoadTheFirstMatch)
{
    TestDisk disk = TestDisk::Blank();
    disk.AddFile("DATA", {1, 2, 3}, 0x81);
    disk.AddFile("HELLO", Program(10));
    disk.AddFile("HALLO", Program(20));
    disk.AddFile("GAME", Program(30));
    Attach(disk);
    struct Case {
        const char* name;
        size_t length;   // 0: not found
        const char* status;
    } cases[] = {
        {"*", 10, "00, OK,00,00"},   // the first program, not the SEQ file before it
        {"H*", 10, "00, OK,00,00"},   {"HA*", 20, "00, OK,00,00"},  {"H?LLO", 10, "00, OK,00,00"},
        {"?AME", 30, "00, OK,00,00"}, {"0:GAME", 30, "00, OK,00,00"}, {"GAM", 0, "62,FILE NOT FOUND,00,00"},
        {"GAMES", 0, "62,FILE NOT FOUND,00,00"}, {"NOPE*", 0, "62,FILE NOT FOUND,00,00"},
    };
    for (const Case& c : cases) {
        std::string status;
        std::vector<uint8_t> bytes = LoadFile(c.name, &status);
        EXPECT_EQ(bytes, c.length ? Program(c.length) : std::vector<uint8_t>{}) << c.name;
        EXPECT_EQ(status, c.status) << c.name;
    }
    EXPECT_EQ(LoadFile("D*"), std::vector<uint8_t>({1, 2, 3}));
}

TEST_F(DriveTest, DirectoryLoadsAsABasicProgram)
{
    TestDisk disk = TestDisk::Blank();
    disk.AddFile("HELLO", Program(300));
    disk.AddFile("NOTES", {1}, 0x81);
    disk.AddFile("OPEN", {1}, 0x02);   // never completed
    Attach(disk);
    std::vector<uint8_t> listing = LoadFile("$");
    ASSERT_GE(listing.size(), 2u);
    EXPECT_EQ(listing[0] | listing[1] << 8, 0x0401);
    // Line by line: number, then text up to its zero byte.
    std::vector<std::pair<int, std::string>> lines;
    for (size_t at = 2; at + 4 <= listing.size() && (listing[at] | listing[at + 1]);) {
        int number = listing[at + 2] | listing[at + 3] << 8;
        std::string text;
        for (at += 4; at < listing.size() && listing[at]; at++)
            text += static_cast<char>(listing[at]);
        lines.push_back({number, text});
        at++;
    }
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], std::make_pair(0, std::string("\x12\"TEST DISK       \" TD 2A")));
    EXPECT_EQ(lines[1], std::make_pair(2, std::string("   \"HELLO\"            PRG ")));
    EXPECT_EQ(lines[2], std::make_pair(1, std::string("   \"NOTES\"            SEQ ")));
    EXPECT_EQ(lines[3], std::make_pair(1, std::string("   \"OPEN\"            *PRG ")));
    EXPECT_EQ(lines[4].first, 660);
    EXPECT_EQ(lines[4].second.rfind("BLOCKS FREE.", 0), 0u);
    EXPECT_EQ(listing[listing.size() - 1] | listing[listing.size() - 2], 0);
    // A pattern lists only the files it matches.
    std::vector<uint8_t> some = LoadFile("$0:N*");
    EXPECT_EQ(std::string(some.begin(), some.end()).find("HELLO"), std::string::npos);
    EXPECT_NE(std::string(some.begin(), some.end()).find("NOTES"), std::string::npos);
}

TEST_F(DriveTest, SequentialFilesWriteAndReadOnSeveralChannelsAtOnce)
{
    Attach(TestDisk::Blank());
    Open(2, "ONE,S,W");
    Open(3, "0:TWO,S,W");
    Open(4, "THREE,P,W");
    for (int i = 0; i < 300; i++) {
        DriveListenByte(2, static_cast<uint8_t>(i));
        DriveListenByte(3, static_cast<uint8_t>(255 - i));
    }
    Send(4, Bytes("PRG"));
    EXPECT_EQ(Status(), "00, OK,00,00");
    for (uint8_t channel : {2, 3, 4})
        DriveClose(channel);
    EXPECT_EQ(Status(), "00, OK,00,00");
    // Read back side by side, one through an explicit type and mode.
    Open(5, "ONE,S,R");
    Open(6, "TWO");
    std::vector<uint8_t> one = Receive(5), two = Receive(6);
    ASSERT_EQ(one.size(), 300u);
    ASSERT_EQ(two.size(), 300u);
    for (int i = 0; i < 300; i++) {
        EXPECT_EQ(one[static_cast<size_t>(i)], static_cast<uint8_t>(i));
        EXPECT_EQ(two[static_cast<size_t>(i)], static_cast<uint8_t>(255 - i));
    }
    uint8_t byte;
    bool last;
    EXPECT_FALSE(DriveTalkByte(5, &byte, &last)) << "the end of the file is the end";
    // Types on the image; asking for the other type finds nothing.
    std::vector<TestEntry> entries = OnDisk().Directory();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].typeByte, 0x81);
    EXPECT_EQ(entries[2].typeByte, 0x82);
    Open(7, "ONE,P,R");
    EXPECT_EQ(Status(), "64,FILE TYPE MISMATCH,00,00");
    // Appending adds to the end.
    Open(8, "ONE,A");
    Send(8, Bytes("MORE"));
    DriveClose(8);
    EXPECT_EQ(OnDisk().ReadFile("ONE").size(), 304u);
}

TEST_F(DriveTest, ChannelsTellWhatTheyCannotDo)
{
    TestDisk disk = TestDisk::Blank();
    disk.AddFile("SEQONE", Bytes("TEXT"), 0x81);
    disk.AddFile("BARE", {}, 0x82);   // a program without its load address
    Attach(disk);
    EXPECT_EQ(SaveFile("TAKEN", Program(1)), "00, OK,00,00");
    struct Case {
        uint8_t channel;
        const char* name;
        const char* status;
    } cases[] = {
        {1, "TAKEN", "63,FILE EXISTS,00,00"},
        {2, "TAKEN,S,W", "63,FILE EXISTS,00,00"},
        {2, "ABSENT,S,R", "62,FILE NOT FOUND,00,00"},
        {1, "", "34,SYNTAX ERROR,00,00"},
        {1, "SEVENTEEN LETTERS", "33,SYNTAX ERROR,00,00"},
        {1, "A*", "33,SYNTAX ERROR,00,00"},
        {1, "A\x05" "B", "33,SYNTAX ERROR,00,00"},
        {1, "X:NAME", "30,SYNTAX ERROR,00,00"},
        {2, "NAME,Q", "30,SYNTAX ERROR,00,00"},
        {2, "#", "70,NO CHANNEL,00,00"},
        {2, "SEQONE,P,R", "64,FILE TYPE MISMATCH,00,00"},
        {2, "TAKEN,S,R", "64,FILE TYPE MISMATCH,00,00"},
        {2, "TAKEN,S,A", "64,FILE TYPE MISMATCH,00,00"},
        {2, "SEQ*,P,R", "64,FILE TYPE MISMATCH,00,00"},
        {2, "ABSENT,P,R", "62,FILE NOT FOUND,00,00"},
        {0, "BARE", "20,READ ERROR,00,00"},
        {2, "BARE,P,R", "00, OK,00,00"},   // read as data it is just empty
    };
    for (const Case& c : cases) {
        Open(c.channel, c.name);
        EXPECT_EQ(Status(), c.status) << c.name;
        DriveClose(c.channel);
    }
    // "@0:" replaces; the blocks of the old file are given back.
    int free = OnDisk().BlocksFree();
    EXPECT_EQ(SaveFile("@0:TAKEN", Program(600)), "00, OK,00,00");
    EXPECT_EQ(OnDisk().ReadFile("TAKEN"), Program(600));
    EXPECT_EQ(OnDisk().Directory().size(), 3u);
    EXPECT_EQ(OnDisk().BlocksFree(), free + 1 - 3);
    EXPECT_EQ(OnDisk().BamProblems(), "");
}

}  // namespace
