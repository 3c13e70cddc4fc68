#pragma once
// The meter's protocol in one table: every byte the program sends, the fixed
// wait before its reply is read, and what is taken as that reply; the status
// bytes, the write frame with its checksum and the low-flow block. No I/O:
// the link sends what this says, the poll and the pages judge by it.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace qv::protocol {

// Every read asks for this many bytes; a reply is what arrives within it.
inline constexpr std::size_t kReadSize = 80;
// A byte-value reply carries its value here; a shorter reply carries none.
inline constexpr std::size_t kValueByte = 2;

// Status bytes of the block commands.
inline constexpr std::uint8_t kAck = 0x96;
inline constexpr std::uint8_t kZero9E = 0x9E, kZero9D = 0x9D, kZero9F = 0x9F;

// Command bytes.
namespace cmd {
inline constexpr std::uint8_t DeviceType = 0x50;       // 'P'
inline constexpr std::uint8_t SoftwareVersion = 0x51;  // 'Q'
inline constexpr std::uint8_t FlowVelocity = 0x10;
inline constexpr std::uint8_t VolumeFlow = 0x11;
inline constexpr std::uint8_t Totalizer = 0x12;
inline constexpr std::uint8_t Temperature = 0x13;
inline constexpr std::uint8_t Minima = 0x20;
inline constexpr std::uint8_t Maxima = 0x21;
inline constexpr std::uint8_t Contacts = 0x40;
inline constexpr std::uint8_t ErrorCode = 0x41;
inline constexpr std::uint8_t LowFlow = 0x77;
inline constexpr std::uint8_t ReadBlock = 0x30;
inline constexpr std::uint8_t WriteBlock = 0x60;
inline constexpr std::uint8_t ResetMinima = 0x70;
inline constexpr std::uint8_t ResetMaxima = 0x71;
inline constexpr std::uint8_t ResetError = 0x72;
inline constexpr std::uint8_t ResetTotalizer = 0x73;
inline constexpr std::uint8_t StopMeasurement = 0x74;
inline constexpr std::uint8_t StartMeasurement = 0x75;
inline constexpr std::uint8_t SetLowFlow = 0x76;
}  // namespace cmd

// What an exchange takes as its reply.
enum class ReplyKind {
    AtLeastOne,      // any byte (a value, when there is one, in kValueByte)
    Exactly,         // exactly `length` bytes
    Echo,            // exactly `length` bytes, the first the command's echo
    Status,          // its first byte is a status byte (kAck: accepted)
    Block,           // the command's echo, a byte, then the parameter block
    NotExamined,     // read to keep the line clean, never judged
};

// One exchange: the bytes that go out (a command byte, or the block that
// follows one), the fixed wait after them, and the reply read then.
struct Exchange {
    const char* name;
    std::uint8_t command;  // the byte sent, or the command a block belongs to
    int waitMs;
    ReplyKind reply;
    int length = 0;        // Exactly and Echo
};

// Every exchange the program makes.
namespace ex {
// The measurement poll, one step a tick.
inline constexpr Exchange PollType{"poll: device type", cmd::DeviceType, 40, ReplyKind::AtLeastOne};
inline constexpr Exchange PollVelocity{"poll: flow velocity", cmd::FlowVelocity, 40, ReplyKind::Exactly, 8};
inline constexpr Exchange PollVolumeFlow{"poll: volume flow", cmd::VolumeFlow, 40, ReplyKind::Exactly, 8};
inline constexpr Exchange PollTotalizer{"poll: totalizer", cmd::Totalizer, 40, ReplyKind::Exactly, 8};
inline constexpr Exchange PollTemperature{"poll: temperature", cmd::Temperature, 40, ReplyKind::Exactly, 8};
inline constexpr Exchange PollMinima{"poll: minima", cmd::Minima, 40, ReplyKind::Exactly, 18};
inline constexpr Exchange PollMaxima{"poll: maxima", cmd::Maxima, 40, ReplyKind::Exactly, 18};
inline constexpr Exchange PollContacts{"poll: contacts", cmd::Contacts, 40, ReplyKind::AtLeastOne};
inline constexpr Exchange PollError{"poll: error code", cmd::ErrorCode, 40, ReplyKind::AtLeastOne};
inline constexpr Exchange PollLowFlow{"poll: low-flow cut-off", cmd::LowFlow, 60, ReplyKind::AtLeastOne};
// The identification of a meter on a newly opened port (no flush read).
inline constexpr Exchange IdentifyType{"identify: device type", cmd::DeviceType, 100, ReplyKind::Echo, 4};
inline constexpr Exchange IdentifyVersion{"identify: software version", cmd::SoftwareVersion, 50, ReplyKind::AtLeastOne};
// The operating commands of one byte.
inline constexpr Exchange Operating{"operating command", 0, 40, ReplyKind::NotExamined};
// Low-flow cut-off and zero-point adjustment: a wait and a flush first, the
// command, the block, and for the zero point its result afterwards.
inline constexpr Exchange LowFlowLead{"low flow: quiet line", 0, 50, ReplyKind::NotExamined};
inline constexpr Exchange LowFlowCommand{"low flow: command", cmd::SetLowFlow, 50, ReplyKind::Status};
inline constexpr Exchange LowFlowBlock{"low flow: block", cmd::SetLowFlow, 50, ReplyKind::Status};
inline constexpr Exchange ZeroPointResult{"zero point: result", cmd::SetLowFlow, 700, ReplyKind::Status};
// "KT740-->PC": the type request, then at once the block request.
inline constexpr Exchange ReadType{"read set: device type", cmd::DeviceType, 100, ReplyKind::AtLeastOne};
inline constexpr Exchange ReadBlock{"read set: block", cmd::ReadBlock, 100, ReplyKind::Block};
// "PC-->KT740": the frame's first byte alone, then the rest of the frame.
inline constexpr Exchange WriteStart{"write set: command", cmd::WriteBlock, 200, ReplyKind::NotExamined};
inline constexpr Exchange WriteFrame{"write set: frame", cmd::WriteBlock, 200, ReplyKind::Status};
}  // namespace ex

// The table as a whole, in the order above.
const std::vector<const Exchange*>& exchanges();

// The poll's steps 1 to 10 and the exchange of each.
inline constexpr int kPollSteps = 10;
const Exchange& pollExchange(int step);

// Reads after the lone first byte of a write before the line counts as never
// quiet: the rest of the frame goes out only on a quiet line, or its answer
// could not be told from a late one to the first byte.
inline constexpr int kWriteQuietReads = 6;

// A short name of a command byte for the diagnosis window; null for a byte
// that is no command.
const char* commandName(std::uint8_t command);

// The six operating commands of one byte.
enum class OperatingCommand { StartMeasurement, StopMeasurement, ResetTotalizer, ResetMaxima, ResetMinima, ResetError };
std::uint8_t commandByte(OperatingCommand c);

// Whether a reply's first byte accepts (the acknowledge).
inline bool acknowledged(const std::uint8_t* reply, int received) { return received > 0 && reply[0] == kAck; }

// The write frame: 0x60, the family letter ('B', 'J', 'D'), the block, and
// the byte sum of all of them; empty for no family.
std::uint8_t familyLetter(int family);
std::vector<std::uint8_t> writeFrame(int family, const std::vector<std::uint8_t>& block);

// The low-flow block: 0x04, the value 0 to 10, the byte sum of 0x76, 0x04 and value.
std::array<std::uint8_t, 3> lowFlowBlock(int value);

}  // namespace qv::protocol
