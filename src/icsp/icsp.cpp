#include "icsp/icsp.h"

#include "link/gateway.h"

namespace fw {

using namespace gateway;

namespace {
constexpr std::string_view kSize6 = " LoadPaketSize_SPI = 0x06";
constexpr std::string_view kSize16 = " LoadPaketSize_SPI = 0x10";
constexpr std::string_view kIncrement = " Increment Address";
}  // namespace

bool Icsp::SetInitState() {
  return Send(InitStateFrame1(), " set InitState") && Send(InitStateFrame2(), " set InitState");
}

bool Icsp::EnterProgrammingMode() {
  return Send(VppFirstEntry(), " enter programming mode, Vpp-first");
}

std::int32_t Icsp::ReadDeviceId() {
  if (!Send(LoadPaketSize_SPI(6), " LoadPaketSize_SPI = 0x6")) return 0;
  if (!Send(FastSendCommand(icsp::kLoadConfiguration), " Load Configuration")) return 0;
  if (!Send(LoadPaketSize_SPI(16), kSize16)) return 0;
  if (!Send(FastSendPacket(0x00, 0x00), " FastSendPaket_SPI 0x00 0x00")) return 0;
  // Spelled as the log has always shown this step, so that logs stay
  // comparable line by line.
  if (!Send(LoadPaketSize_SPI(6), " LoadaketSize_SPI = 0x06")) return 0;
  for (int k = 0; k < 6; ++k) {
    if (!Send(FastSendCommand(icsp::kIncrementAddress), kIncrement)) return 0;
  }
  if (!Send(FastSendCommand(icsp::kReadDataFromProgramMemory), " Read Data From Program Memory")) {
    return 0;
  }
  if (!Send(LoadPaketSize_SPI(16), kSize16)) return 0;
  if (!Send(FastSendPacket(0xFE, 0x7F), " FastSendPaket_SPI 0xFE 0x7F")) return 0;
  const std::optional<std::uint16_t> packet = link_.ReadPacket(" ReadSignPaket_SPI");
  if (!packet) return 0;
  return WordOfPacket(*packet);
}

bool Icsp::LoadConfiguration() {
  return Send(LoadPaketSize_SPI(6), " LoadPaketSize_SPI = 0x6") &&
         Send(FastSendCommand(icsp::kLoadConfiguration), " Load Configuration") &&
         Send(LoadPaketSize_SPI(16), kSize16) &&
         Send(FastSendPacket(0x00, 0x00), " FastSendPaket_SPI 0x00 0x00");
}

bool Icsp::IncrementAddress(std::uint32_t n, bool show_progress) {
  return IncrementAddressUnlessStopped(n, show_progress, nullptr);
}

bool Icsp::IncrementAddressUnlessStopped(std::uint32_t n, bool show_progress, bool* stopped) {
  if (!Send(LoadPaketSize_SPI(6), kSize6)) return false;
  for (std::uint32_t k = 1; k <= n; ++k) {
    if (stopped != nullptr && dialogs_.StopRequested()) {
      *stopped = true;
      return false;
    }
    if (!Send(FastSendCommand(icsp::kIncrementAddress), kIncrement)) return false;
    if (show_progress && k % 8 == 0) {
      dialogs_.ProgressSet(static_cast<int>(std::uint64_t{k} * 100 / n));
    }
  }
  return true;
}

std::optional<std::uint16_t> Icsp::ReadCell(std::uint32_t i, std::uint8_t command,
                                            std::string_view command_text) {
  if (!Send(LoadPaketSize_SPI(6), kSize6)) return std::nullopt;
  if (i > 0 && !Send(FastSendCommand(icsp::kIncrementAddress), kIncrement)) return std::nullopt;
  if (!Send(FastSendCommand(command), command_text)) return std::nullopt;
  if (!Send(LoadPaketSize_SPI(16), kSize16)) return std::nullopt;
  if (!Send(FastSendPacket(0xFE, 0x7F), " FastSendPaket_SPI 0xFE 0x7F")) return std::nullopt;
  return link_.ReadPacket(" ReadSignPaket_SPI");
}

bool Icsp::ReadWord(std::vector<std::uint8_t>& image, std::uint32_t i, bool verify) {
  const auto packet = ReadCell(i, icsp::kReadDataFromProgramMemory, " Read Data From Program Memory");
  if (!packet) return false;
  const auto word = static_cast<std::uint16_t>(WordOfPacket(*packet) & chip_.BlankWord());
  if (verify) return word == WordAt(image, i);
  SetWordAt(image, i, word);
  return true;
}

std::optional<std::uint16_t> Icsp::PeekProgramMemory(std::uint32_t i) {
  const auto packet = ReadCell(i, icsp::kReadDataFromProgramMemory, " Read Data From Program Memory");
  if (!packet) return std::nullopt;
  return static_cast<std::uint16_t>(WordOfPacket(*packet) & chip_.BlankWord());
}

std::optional<std::uint16_t> Icsp::PeekWholeWord(std::uint32_t i) {
  const auto packet = ReadCell(i, icsp::kReadDataFromProgramMemory, " Read Data From Program Memory");
  if (!packet) return std::nullopt;
  return static_cast<std::uint16_t>(WordOfPacket(*packet) & 0x3FFF);
}

std::optional<std::uint16_t> Icsp::PeekDataMemory(std::uint32_t i) {
  // The baseline parts' flash data sits in program space: the program
  // memory commands reach it.
  const auto packet = chip_.Baseline()
                          ? ReadCell(i, icsp::kReadDataFromProgramMemory, " Read Data From Program Memory")
                          : ReadCell(i, icsp::kReadDataFromDataMemory, " Read Data From Data Memory");
  if (!packet) return std::nullopt;
  return static_cast<std::uint16_t>(WordOfPacket(*packet) & chip_.BlankWord());
}


bool Icsp::ReadProgramMemory(std::uint32_t i, bool verify) {
  return ReadWord(images_.ProgramImage, i, verify);
}

bool Icsp::ReadConfigMemory(std::uint32_t i, bool verify) {
  return ReadWord(images_.ConfigImage, i, verify);
}

bool Icsp::ReadDataMemory(std::uint32_t i, bool verify) {
  const auto cell = PeekDataMemory(i);
  if (!cell) return false;
  const std::uint16_t word = *cell;
  // The verify compares the whole word: a cell that answers bits above the
  // byte is reported as a difference, though a read keeps only the byte.
  if (verify) return word == images_.DataImage[i];
  images_.DataImage[i] = static_cast<std::uint8_t>(word & 0xFF);
  return true;
}

bool Icsp::WriteCell(std::uint32_t i, bool skip, std::uint8_t command,
                     std::string_view command_text, std::uint16_t packet, bool externally_timed,
                     std::uint8_t wait_int, std::uint8_t wait_ext) {
  if (!Send(LoadPaketSize_SPI(6), kSize6)) return false;
  if (i > 0 && !Send(FastSendCommand(icsp::kIncrementAddress), kIncrement)) return false;
  if (skip) return true;
  if (!Send(FastSendCommand(command), command_text)) return false;
  if (!Send(LoadPaketSize_SPI(16), kSize16)) return false;
  if (!Send(FastSendPacket(static_cast<std::uint8_t>(packet & 0xFF),
                           static_cast<std::uint8_t>(packet >> 8)),
            " FastSendPaket_SPI Low High")) {
    return false;
  }
  return BeginProgramming(externally_timed, wait_int, wait_ext);
}

bool Icsp::BeginProgramming(bool externally_timed, std::uint8_t wait_int, std::uint8_t wait_ext) {
  if (!Send(LoadPaketSize_SPI(6), kSize6)) return false;
  if (!externally_timed) {
    return link_.SendWithWait(FastSendCommand(icsp::kBeginProgrammingInt), wait_int,
                              " Begin Programming (int)");
  }
  return link_.SendWithWait(FastSendCommand(begin_external_), wait_ext, " Begin Programming (ext)") &&
         Send(FastSendCommand(end_programming_), " End Programming");
}

bool Icsp::WriteWord(std::uint32_t i, std::uint16_t value, bool externally_timed) {
  return WriteCell(i, value == chip_.BlankWord(), icsp::kLoadDataForProgramMemory,
                   " Load Data For Program Memory", static_cast<std::uint16_t>(value << 1),
                   externally_timed, chip_.ProgramWaitInt, chip_.ProgramWaitExt);
}

bool Icsp::WriteProgramMemory(std::uint32_t i, bool externally_timed) {
  return WriteWord(i, WordAt(images_.ProgramImage, i), externally_timed);
}

bool Icsp::WriteConfigMemory(std::uint32_t i, bool externally_timed) {
  return WriteWord(i, WordAt(images_.ConfigImage, i), externally_timed);
}

bool Icsp::WriteDataMemory(std::uint32_t i, bool externally_timed) {
  return WriteDataByte(i, images_.DataImage[i], externally_timed);
}

bool Icsp::WriteDataByte(std::uint32_t i, std::uint8_t value, bool externally_timed) {
  // A baseline part's flash data takes the program memory Load.
  const bool program_space = chip_.Baseline();
  return WriteCell(i, value == 0xFF,
                   program_space ? icsp::kLoadDataForProgramMemory : icsp::kLoadDataForDataMemory,
                   program_space ? " Load Data For Program Memory" : " Load Data For Data Memory",
                   static_cast<std::uint16_t>(value << 1), externally_timed, chip_.DataWaitInt,
                   chip_.DataWaitExt);
}

bool Icsp::Load(std::uint8_t command, std::string_view command_text, std::uint8_t low, std::uint8_t high,
                std::string_view packet_text, bool size_is_6) {
  return (size_is_6 || Send(LoadPaketSize_SPI(6), kSize6)) && Send(FastSendCommand(command), command_text) &&
         Send(LoadPaketSize_SPI(16), kSize16) && Send(FastSendPacket(low, high), packet_text);
}

bool Icsp::LoadDataForProgramMemory(std::uint16_t w) {
  return Load(icsp::kLoadDataForProgramMemory, " Load Data For Program Memory", static_cast<std::uint8_t>((2 * w) & 0xFF),
              static_cast<std::uint8_t>((w >> 7) & 0xFF), " FastSendPaket_SPI Low High");
}

bool Icsp::BulkEraseProgramMemory() {
  return Send(LoadPaketSize_SPI(6), kSize6) &&
         link_.SendWithWait(FastSendCommand(icsp::kBulkEraseProgramMemory),
                            chip_.EraseProgramWait, " Bulk Erase Program Memory");
}

bool Icsp::BulkEraseDataMemory() {
  return Send(LoadPaketSize_SPI(6), kSize6) &&
         link_.SendWithWait(FastSendCommand(icsp::kBulkEraseDataMemory), chip_.EraseDataWait,
                            " Bulk Erase Data Memory");
}

bool Icsp::Run(std::span<const IcspStep> steps) {
  using Op = IcspStep::Op;
  for (const IcspStep& step : steps) {
    bool sent = false;
    switch (step.op) {
      case Op::kLoadConfiguration:
        sent = Load(icsp::kLoadConfiguration, " Load Configuration", 0xFE, 0x7F, " FastSendPaket_SPI 0xFE 0x7F");
        break;
      case Op::kIncrement:
        sent = IncrementAddress(step.count, false);
        break;
      case Op::kLoadBlankProgram:
        sent = LoadDataForProgramMemory(0x3FFF);
        break;
      case Op::kLoadBlankData:
        sent = Load(icsp::kLoadDataForDataMemory, " Load Data For Data Memory", 0xFE, 0x01,
                    " FastSendPaket_SPI 0xFE 0x01");
        break;
      case Op::kCommand:
        sent = Send(LoadPaketSize_SPI(6), kSize6) && Send(FastSendCommand(step.code), step.text);
        break;
      case Op::kEraseProgramCycle:
      case Op::kEraseDataCycle:
        sent = Send(LoadPaketSize_SPI(6), kSize6) &&
               link_.SendWithWait(FastSendCommand(step.code),
                                  step.op == Op::kEraseDataCycle ? chip_.EraseDataWait : chip_.EraseProgramWait,
                                  step.text);
        break;
    }
    if (!sent) return false;
  }
  return true;
}

bool Icsp::WriteProgramRow(std::uint32_t first, std::uint32_t count, bool externally_timed) {
  bool blank = true;
  for (std::uint32_t j = 0; j < count; ++j) blank = blank && WordAt(images_.ProgramImage, first + j) == chip_.BlankWord();
  if (blank) return IncrementAddress(first > 0 ? count : count - 1, false);
  for (std::uint32_t j = 0; j < count; ++j) {
    const std::uint32_t i = first + j;
    const std::uint16_t w = WordAt(images_.ProgramImage, i);
    if (i == 0) {
      if (!LoadDataForProgramMemory(w)) return false;
      continue;
    }
    // The Increment leaves the packet size at 6: the Load's command follows
    // it at once, a frame less a word than a Load of its own.
    if (!(Send(LoadPaketSize_SPI(6), kSize6) && Send(FastSendCommand(icsp::kIncrementAddress), kIncrement) &&
          Load(icsp::kLoadDataForProgramMemory, " Load Data For Program Memory", static_cast<std::uint8_t>((2 * w) & 0xFF),
               static_cast<std::uint8_t>((w >> 7) & 0xFF), " FastSendPaket_SPI Low High", true))) {
      return false;
    }
  }
  return BeginProgramming(externally_timed, chip_.ProgramWaitInt, chip_.ProgramWaitExt);
}

}  // namespace fw
