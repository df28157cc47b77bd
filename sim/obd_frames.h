#pragma once
// OBD-II mode 01 messages of the emulated protocols, written the way each is
// usually shown: CAN identifier and eight data bytes for ISO 15765-4, header
// bytes, data and check byte for J1850 and ISO 9141-2 / 14230-4.

#include <cstdint>
#include <string>
#include <vector>

namespace obd {

// The numbers SP0..SP5 select.
enum Protocol : int { None = 0, J1850Pwm = 1, J1850Vpw = 2, Iso9141 = 3, Iso14230 = 4, Iso15765 = 5 };
inline constexpr int kProtocolCount = 6;

const char* protocolName(int protocol);

// SAE J1850 CRC-8 (polynomial 0x1D, start 0xFF, inverted).
std::uint8_t j1850Crc(const std::vector<std::uint8_t>& bytes);
// ISO 9141-2 / 14230-4 check byte: the sum of all bytes, modulo 256.
std::uint8_t isoChecksum(const std::vector<std::uint8_t>& bytes);

// The tester's request for `pid`, as one text line without terminator; empty for None.
std::string request(int protocol, std::uint8_t pid);
// The engine controller's answer carrying `data` for `pid`.
std::string response(int protocol, std::uint8_t pid, const std::vector<std::uint8_t>& data);

}  // namespace obd
