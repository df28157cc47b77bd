// torvik-sim run as the program meets it: a process publishing a virtual
// bridge, driven through the Linux tty driver.
#include "device/linux/driver_test_support.h"
#include "device/production_driver.h"
#include "sim/obd_frames.h"
#include "sim_link.h"
#include "sim_process.h"
#include "support/temp_dir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

using ::testing::HasSubstr;

namespace {

constexpr const char* kDefaultDescription = "TORVIK ECU SIMULATOR";

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::stringstream in(text);
    for (std::string line; std::getline(in, line, '\r');) lines.push_back(line);
    return lines;
}

std::string fileContents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string allByteValues() {
    std::string bytes;
    for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
    return bytes;
}

class TorvikSim : public ::testing::Test {
protected:
    std::string bridges() const { return runtime_ / "torvik-bridges"; }

    // Starts a simulator and opens its bridge.
    void start(const std::vector<std::string>& args = {},
               const std::string& description = kDefaultDescription) {
        sim_ = std::make_unique<SimProcess>(runtime_.path(), args);
        ASSERT_TRUE(sim_->waitReady()) << sim_->errorOutput();
        EXPECT_EQ(sim_->readyLine(), "bridge ready: " + description + " at " + sim_->ptyPath());
        link_ = std::make_unique<SimLink>(bridges(), description);
        ASSERT_TRUE(link_->isOpen()) << "open status " << link_->openStatus();
    }

    // Sends one command line and returns the answer line (without its CR).
    std::string ask(const std::string& command) {
        EXPECT_TRUE(link_->send(command + "\r"));
        const std::string answer = link_->receiveUntilContains("\r");
        EXPECT_EQ(answer.find('\r'), answer.size() - 1) << "exactly one line: " << answer;
        return answer.substr(0, answer.find('\r'));
    }

    TempDir runtime_;
    std::unique_ptr<SimProcess> sim_;
    std::unique_ptr<SimLink> link_;
};

TEST_F(TorvikSim, AnswersEachCommandWithOneLine) {
    start();
    EXPECT_EQ(ask("SP0"), "OK PROTOCOL 0 NONE");
    EXPECT_EQ(ask("SP1"), "OK PROTOCOL 1 J1850 PWM");
    EXPECT_EQ(ask("SP2"), "OK PROTOCOL 2 J1850 VPW");
    EXPECT_EQ(ask("SP3"), "OK PROTOCOL 3 ISO 9141-2");
    EXPECT_EQ(ask("SP4"), "OK PROTOCOL 4 ISO 14230-4");
    EXPECT_EQ(ask("SP5"), "OK PROTOCOL 5 ISO 15765-4");
    EXPECT_EQ(ask("reset"), "OK RESET");
    EXPECT_EQ(ask("MON1"), "OK MONITOR ON");
    EXPECT_EQ(ask("MON0"), "OK MONITOR OFF");
    EXPECT_EQ(ask("sp3"), "OK PROTOCOL 3 ISO 9141-2");
    for (const char* unknown : {"SP6", "SP", "MON2", "resetx", "HELLO"}) {
        EXPECT_EQ(ask(unknown), "ERROR UNKNOWN COMMAND") << unknown;
    }
    // An empty line gets no answer: the next answer follows directly.
    ASSERT_TRUE(link_->send("\rSP2\r"));
    EXPECT_EQ(link_->receiveUntilContains("\r"), "OK PROTOCOL 2 J1850 VPW\r");
}

TEST_F(TorvikSim, SurvivesHugeLinesNulsBareLineFeedsAndJunk) {
    start();
    ASSERT_TRUE(link_->send(std::string(100 * 1024, 'A') + "\r"));
    EXPECT_EQ(link_->receiveUntilContains("\r", 5000), "ERROR LINE TOO LONG\r");
    EXPECT_EQ(ask(std::string("SP\0"
                              "3",
                              4)),
              "ERROR UNKNOWN COMMAND");
    ASSERT_TRUE(link_->send("SP4\n"));  // a line feed ends nothing ...
    EXPECT_EQ(link_->receiveFor(200), "");
    EXPECT_EQ(ask(""), "OK PROTOCOL 4 ISO 14230-4");  // ... the carriage return does
    std::string junk;
    for (int i = 0; i < 4096; ++i)
        junk += static_cast<char>((i * 131 + 7) % 256 == '\r' ? 0 : (i * 131 + 7) % 256);
    EXPECT_THAT(ask(junk), ::testing::StartsWith("ERROR"));
    EXPECT_EQ(ask("SP5"), "OK PROTOCOL 5 ISO 15765-4");
}

// Checks one monitor line of `protocol`; returns the PID and its data bytes.
::testing::AssertionResult wellFormed(int protocol, const std::string& line, bool* isResponse) {
    std::vector<unsigned> bytes;
    std::stringstream in(line);
    std::string token;
    std::string canId;
    if (protocol == obd::Iso15765) in >> canId;
    while (in >> token) {
        if (token.size() != 2 || !std::isxdigit(static_cast<unsigned char>(token[0])) ||
            !std::isxdigit(static_cast<unsigned char>(token[1]))) {
            return ::testing::AssertionFailure() << "not a hex byte: " << token << " in " << line;
        }
        bytes.push_back(std::stoul(token, nullptr, 16));
    }
    auto fail = [&] { return ::testing::AssertionFailure() << "protocol " << protocol << ": " << line; };
    std::vector<std::uint8_t> frame(bytes.begin(), bytes.end());
    std::vector<unsigned> payload;
    switch (protocol) {
        case obd::Iso15765:
            if (canId != "7DF" && canId != "7E8") return fail();
            if (bytes.size() != 8 || bytes[0] < 2 || bytes[0] > 7) return fail();
            *isResponse = canId == "7E8";
            payload.assign(bytes.begin() + 1, bytes.begin() + 1 + bytes[0]);
            break;
        case obd::Iso14230: {
            if (bytes.size() < 5) return fail();
            *isResponse = (bytes[0] & 0xC0) == 0x80;
            const bool headerOk = *isResponse ? bytes[1] == 0xF1 && bytes[2] == 0x10
                                              : bytes[0] >> 6 == 3 && bytes[1] == 0x33 && bytes[2] == 0xF1;
            if (!headerOk || (bytes[0] & 0x3F) != bytes.size() - 4) return fail();
            frame.pop_back();
            if (obd::isoChecksum(frame) != bytes.back()) return fail() << " (checksum)";
            payload.assign(bytes.begin() + 3, bytes.end() - 1);
            break;
        }
        default: {
            if (bytes.size() < 6) return fail();
            const bool pwm = protocol == obd::J1850Pwm;
            const std::vector<unsigned> request =
                pwm ? std::vector<unsigned>{0x61, 0x6A, 0xF1} : std::vector<unsigned>{0x68, 0x6A, 0xF1};
            const std::vector<unsigned> response =
                pwm ? std::vector<unsigned>{0x41, 0x6B, 0x10} : std::vector<unsigned>{0x48, 0x6B, 0x10};
            const std::vector<unsigned> header(bytes.begin(), bytes.begin() + 3);
            if (header != request && header != response) return fail();
            *isResponse = header == response;
            frame.pop_back();
            const std::uint8_t check =
                protocol == obd::Iso9141 ? obd::isoChecksum(frame) : obd::j1850Crc(frame);
            if (check != bytes.back()) return fail() << " (check byte)";
            payload.assign(bytes.begin() + 3, bytes.end() - 1);
        }
    }
    if (payload.size() < 2 || payload[0] != (*isResponse ? 0x41u : 0x01u)) return fail() << " (mode)";
    const unsigned pid = payload[1];
    if (pid != 0x0C && pid != 0x0D && pid != 0x05) return fail() << " (pid)";
    if (*isResponse && pid == 0x0C) {
        const unsigned rpm = (payload.at(2) * 256 + payload.at(3)) / 4;
        if (rpm < 700 || rpm > 3300) return fail() << " (engine speed " << rpm << ")";
    }
    return ::testing::AssertionSuccess();
}

TEST_F(TorvikSim, StreamsTrafficInEachProtocolsFormatWhileTheMonitorIsOn) {
    start({"--rate", "100"});
    EXPECT_EQ(ask("MON1"), "OK MONITOR ON");
    EXPECT_EQ(link_->receiveFor(300), "") << "no traffic without a protocol";

    for (int protocol = 1; protocol <= 5; ++protocol) {
        const std::string select = "SP" + std::to_string(protocol);
        ASSERT_TRUE(link_->send(select + "\r"));
        const std::string received = link_->receiveFor(400);
        // Traffic of the previous protocol may precede the answer; a line may be cut at the end.
        const std::string answer = "OK PROTOCOL " + std::to_string(protocol) + " ";
        const auto from = received.find(answer);
        ASSERT_NE(from, std::string::npos) << received;
        const std::string after = received.substr(from);
        const auto lines = linesOf(after.substr(0, after.rfind('\r')));
        ASSERT_GE(lines.size(), 10u) << select << ": " << received;
        int requests = 0, responses = 0;
        for (std::size_t i = 1; i < lines.size(); ++i) {
            bool isResponse = false;
            ASSERT_TRUE(wellFormed(protocol, lines[i], &isResponse));
            ++(isResponse ? responses : requests);
        }
        EXPECT_GT(requests, 3) << select;
        EXPECT_GT(responses, 3) << select;
    }

    ASSERT_TRUE(link_->send("SP0\r"));
    const std::string untilNone = link_->receiveUntilContains("OK PROTOCOL 0 NONE\r");
    EXPECT_EQ(untilNone.substr(untilNone.size() - 19), "OK PROTOCOL 0 NONE\r");
    EXPECT_EQ(link_->receiveFor(300), "") << "traffic without a protocol";
    ASSERT_TRUE(link_->send("SP5\r"));
    ASSERT_GE(linesOf(link_->receiveFor(300)).size(), 5u);
    ASSERT_TRUE(link_->send("MON0\r"));
    const std::string tail = link_->receiveUntilContains("OK MONITOR OFF\r");
    EXPECT_EQ(tail.substr(tail.size() - 15), "OK MONITOR OFF\r");
    EXPECT_EQ(link_->receiveFor(300), "") << "traffic after MON0";
}

TEST_F(TorvikSim, TrafficFollowsTheRate) {
    start({"--rate", "20"});
    ask("SP3");
    ask("MON1");
    const auto lines = linesOf(link_->receiveFor(1000));
    EXPECT_GE(lines.size(), 14u);
    EXPECT_LE(lines.size(), 26u);
}

TEST_F(TorvikSim, RecordsEveryReceivedByteRaw) {
    const std::string record = runtime_ / "record.bin";
    start({"--record", record});
    const std::string junk = allByteValues();
    ASSERT_TRUE(link_->send(junk));
    ASSERT_TRUE(link_->send("\rSP3\r"));
    link_->receiveUntilContains("OK PROTOCOL 3");
    EXPECT_EQ(fileContents(record), junk + "\rSP3\r");
}

TEST_F(TorvikSim, SendsTheFileOnceAfterTheFirstLine) {
    const std::string file = runtime_ / "send.bin";
    std::ofstream(file, std::ios::binary) << allByteValues();
    start({"--send", file});
    ASSERT_TRUE(link_->send("MON"));  // not yet a line
    EXPECT_EQ(link_->receiveFor(200), "");
    ASSERT_TRUE(link_->send("0\r"));
    const std::string expected = "OK MONITOR OFF\r" + allByteValues();
    EXPECT_EQ(link_->receiveUntil([&](const std::string& r) { return r.size() >= expected.size(); }),
              expected);
    EXPECT_EQ(ask("SP1"), "OK PROTOCOL 1 J1850 PWM");  // and only once
}

TEST_F(TorvikSim, QuietAnswersNothingAndOnlySendsTheFile) {
    const std::string file = runtime_ / "send.bin";
    std::ofstream(file, std::ios::binary) << "RAW\r\n\x01\x02";
    start({"--quiet", "--send", file, "--rate", "200"});
    ASSERT_TRUE(link_->send("SP5\rMON1\r"));
    EXPECT_EQ(link_->receiveFor(500), "RAW\r\n\x01\x02");
}

TEST_F(TorvikSim, TwoSimulatorsNeedTwoDescriptions) {
    start({}, kDefaultDescription);
    SimProcess second(runtime_.path(), {"--description", "TORVIK SECOND"});
    ASSERT_TRUE(second.waitReady()) << second.errorOutput();
    SimLink secondLink(bridges(), "TORVIK SECOND");
    ASSERT_TRUE(secondLink.isOpen());
    ASSERT_TRUE(secondLink.send("SP4\r"));
    EXPECT_EQ(secondLink.receiveUntilContains("\r"), "OK PROTOCOL 4 ISO 14230-4\r");
    EXPECT_EQ(ask("SP1"), "OK PROTOCOL 1 J1850 PWM");

    SimProcess clash(runtime_.path(), {});
    EXPECT_FALSE(clash.waitReady());
    EXPECT_EQ(clash.wait(), 1);
    EXPECT_THAT(clash.errorOutput(), HasSubstr("already publishes"));
    EXPECT_EQ(second.stop(), 0);
}

TEST_F(TorvikSim, SigtermUnplugsTheBridgeAndExitsZero) {
    start();
    EXPECT_EQ(ask("MON1"), "OK MONITOR ON");
    EXPECT_EQ(sim_->stop(), 0);
    EXPECT_EQ(drivertest::statusAfterHangUp(link_->driver(), link_->handle()), FT_IO_ERROR);
    DWORD written = 0;
    EXPECT_EQ(link_->driver().write(link_->handle(), "SP1\r", 4, &written), FT_IO_ERROR);
    DWORD listed = 1;
    link_->driver().count(&listed);
    EXPECT_EQ(listed, 0u);
}

TEST_F(TorvikSim, TellsHowManyLinesItSentWhenItEnds) {
    start({"--rate", "200"});
    EXPECT_EQ(ask("SP5"), "OK PROTOCOL 5 ISO 15765-4");
    ASSERT_TRUE(link_->send("MON1\r"));  // its answer and the traffic come together
    std::string received = link_->receiveFor(300);
    ASSERT_TRUE(link_->send("MON0\r"));
    received += link_->receiveUntilContains("OK MONITOR OFF\r");
    received += link_->receiveFor(100);
    EXPECT_EQ(sim_->stop(), 0);
    const auto lines = 1 + std::count(received.begin(), received.end(), '\r');
    EXPECT_GT(lines, 20);
    EXPECT_EQ(sim_->laterOutput(), "sent " + std::to_string(lines) + " lines\n");
}

TEST(TorvikSimCommandLine, HelpDocumentsTheOptionsAndAnswers) {
    std::string help;
    ASSERT_EQ(runSimToEnd({"--help"}, &help), 0);
    for (const char* text : {"--description", "--record", "--send", "--quiet", "--rate",
                             "bridge ready:", "OK PROTOCOL", "OK MONITOR ON", "ERROR UNKNOWN COMMAND"}) {
        EXPECT_THAT(help, HasSubstr(text));
    }
    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"--rate", "0"}, {"--rate", "fast"}, {"--bogus"}, {"--description"}}) {
        std::string output;
        EXPECT_EQ(runSimToEnd(bad, &output), 2) << bad[0];
        EXPECT_THAT(output, HasSubstr("torvik-sim:"));
    }
}

TEST(ObdFrames, CheckBytesFollowTheStandards) {
    const std::string check = "123456789";
    EXPECT_EQ(obd::j1850Crc(std::vector<std::uint8_t>(check.begin(), check.end())), 0x4B);
    EXPECT_EQ(obd::isoChecksum({0x68, 0x6A, 0xF1, 0x01, 0x0C}), 0xD0);
    EXPECT_EQ(obd::request(obd::Iso15765, 0x0D), "7DF 02 01 0D 00 00 00 00 00");
    EXPECT_EQ(obd::response(obd::Iso14230, 0x0C, {0x1A, 0xF8}), "84 F1 10 41 0C 1A F8 E4");
    EXPECT_EQ(obd::request(obd::None, 0x0C), "");
}

}  // namespace

namespace {

// The program's own path: the production driver behind the FT_* calls finds
// the simulator in the user's bridge directory.
TEST_F(TorvikSim, TheProductionDriverFindsItThroughTheFtCalls) {
    sim_ =
        std::make_unique<SimProcess>(runtime_.path(), std::vector<std::string>{"--description", "TORVIK FT"});
    ASSERT_TRUE(sim_->waitReady()) << sim_->errorOutput();
    const char* previousRuntime = std::getenv("TORVIK_RUNTIME_DIR");
    const std::string restoreRuntime = previousRuntime ? previousRuntime : "";
    ::setenv("TORVIK_RUNTIME_DIR", runtime_.path().c_str(), 1);
    struct DriverSwap {
        std::shared_ptr<FtDriver> previous = ftdriver::install(makeProductionDriver());
        ~DriverSwap() { ftdriver::install(previous); }
    } swap;
    if (restoreRuntime.empty()) {
        ::unsetenv("TORVIK_RUNTIME_DIR");
    } else {
        ::setenv("TORVIK_RUNTIME_DIR", restoreRuntime.c_str(), 1);
    }

    DWORD count = 0;
    ASSERT_EQ(FT_ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY), FT_OK);
    int found = -1;
    for (DWORD i = 0; i < count; ++i) {
        char description[FT_DESCRIPTION_SIZE] = {};
        ASSERT_EQ(FT_ListDevices(reinterpret_cast<PVOID>(std::uintptr_t{i}), description,
                                 FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION),
                  FT_OK);
        if (std::string(description) == "TORVIK FT") found = static_cast<int>(i);
    }
    ASSERT_EQ(found, static_cast<int>(count) - 1) << "virtual bridges come after the kernel ports";
    FT_HANDLE handle = nullptr;
    char name[] = "TORVIK FT";
    ASSERT_EQ(FT_OpenEx(name, FT_OPEN_BY_DESCRIPTION, &handle), FT_OK);
    ASSERT_EQ(FT_SetTimeouts(handle, 100, 100), FT_OK);
    char command[] = "SP5\r";
    DWORD written = 0;
    ASSERT_EQ(FT_Write(handle, command, 4, &written), FT_OK);
    std::string answer;
    for (int i = 0; i < 300 && answer.find('\r') == std::string::npos; ++i) {
        DWORD queued = 0;
        ASSERT_EQ(FT_GetQueueStatus(handle, &queued), FT_OK);
        char buf[256];
        DWORD got = 0;
        if (queued > 0) {
            ASSERT_EQ(FT_Read(handle, buf, std::min<DWORD>(queued, sizeof buf), &got), FT_OK);
        }
        answer.append(buf, got);
        if (queued == 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(answer, "OK PROTOCOL 5 ISO 15765-4\r");
    EXPECT_EQ(FT_Close(handle), FT_OK);
}

}  // namespace
