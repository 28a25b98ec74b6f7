#pragma once
// The boot program's command bytes and the status word every decision is made on.
#include <cstdint>

namespace bramblet {

constexpr std::uint8_t kSync = 0x00;
constexpr std::uint8_t kBaudRateCheck = 0xB0;
constexpr std::uint8_t kReadStatus = 0x70;
constexpr std::uint8_t kClearStatus = 0x50;
constexpr std::uint8_t kVersionRead = 0xFB;
constexpr std::uint8_t kIdCheck = 0xF5;
constexpr std::uint8_t kIdLength = 0x07;
constexpr std::uint8_t kEraseAll = 0xA7;
constexpr std::uint8_t kEraseConfirm = 0xD0;
constexpr std::uint8_t kPageProgram = 0x41;
constexpr std::uint8_t kPageRead = 0xFF;

// SRD x 256 + SRD1, keeping ready (15), the error flags (13, 12), the ID check state (3, 2) and
// the receive time-out (1).
constexpr int StatusWord(std::uint8_t srd, std::uint8_t srd1) { return (srd * 256 + srd1) & 0xB00E; }

// Page addresses are multiples of 256: frames carry bits 8-15, then 16-23.
constexpr std::uint8_t AddressMid(std::uint32_t address) { return (address >> 8) & 0xFF; }
constexpr std::uint8_t AddressHigh(std::uint32_t address) { return (address >> 16) & 0xFF; }

}  // namespace bramblet
