#pragma once
#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

// The records a crash log read back is made of (ZZCrashReport): one for each of
// its sections, and the frames, symbols, registers and processors they hold.
// Each is built once from the log and never changed.

// A processor as a crash log names it: by Mach-O CPU type and subtype when
// the encoding is `mach`.
class ZZCrashReportProcessorInfo {
public:
    // Values other than these two may come from a log and are kept as they are.
    enum class TypeEncoding : std::int32_t { unknown = 0, mach = 1 };

    ZZCrashReportProcessorInfo(TypeEncoding typeEncoding, std::uint64_t type, std::uint64_t subtype)
        : typeEncoding_(typeEncoding), type_(type), subtype_(subtype) {}

    TypeEncoding typeEncoding() const { return typeEncoding_; }
    std::uint64_t type() const { return type_; }
    std::uint64_t subtype() const { return subtype_; }

private:
    TypeEncoding typeEncoding_;
    std::uint64_t type_;
    std::uint64_t subtype_;
};

// The operating system and the time of a crash.
class ZZCrashReportSystemInfo {
public:
    // Values outside these may come from a log and are kept as they are.
    enum class OperatingSystem : std::int32_t {
        macOSX = 0,
        iPhoneOS = 1,
        iPhoneSimulator = 2,
        unknown = 3,
        appleTVOS = 4,
        gnuLinux = 5
    };
    enum class Architecture : std::int32_t {
        x86_32 = 0,
        x86_64 = 1,
        armv6 = 2,
        ppc = 3,
        ppc64 = 4,
        armv7 = 5,
        unknown = 6
    };

    ZZCrashReportSystemInfo(OperatingSystem operatingSystem, std::string operatingSystemVersion,
                            std::optional<std::string> operatingSystemBuild, Architecture architecture,
                            ZZCrashReportProcessorInfo processorInfo, std::optional<std::chrono::sys_seconds> timestamp)
        : operatingSystem_(operatingSystem),
          operatingSystemVersion_(std::move(operatingSystemVersion)),
          operatingSystemBuild_(std::move(operatingSystemBuild)),
          architecture_(architecture),
          processorInfo_(processorInfo),
          timestamp_(timestamp) {}

    OperatingSystem operatingSystem() const { return operatingSystem_; }
    const std::string& operatingSystemVersion() const { return operatingSystemVersion_; }
    const std::optional<std::string>& operatingSystemBuild() const { return operatingSystemBuild_; }
    Architecture architecture() const { return architecture_; }
    // The machine's processor when the log has one, else the one the
    // architecture stands for.
    const ZZCrashReportProcessorInfo& processorInfo() const { return processorInfo_; }
    // Nothing when the writer could not read the clock.
    const std::optional<std::chrono::sys_seconds>& timestamp() const { return timestamp_; }

private:
    OperatingSystem operatingSystem_;
    std::string operatingSystemVersion_;
    std::optional<std::string> operatingSystemBuild_;
    Architecture architecture_;
    ZZCrashReportProcessorInfo processorInfo_;
    std::optional<std::chrono::sys_seconds> timestamp_;
};

// The hardware that crashed.
class ZZCrashReportMachineInfo {
public:
    ZZCrashReportMachineInfo(std::optional<std::string> modelName, ZZCrashReportProcessorInfo processorInfo,
                             std::uint64_t processorCount, std::uint64_t logicalProcessorCount)
        : modelName_(std::move(modelName)),
          processorInfo_(processorInfo),
          processorCount_(processorCount),
          logicalProcessorCount_(logicalProcessorCount) {}

    const std::optional<std::string>& modelName() const { return modelName_; }
    const ZZCrashReportProcessorInfo& processorInfo() const { return processorInfo_; }
    std::uint64_t processorCount() const { return processorCount_; }
    std::uint64_t logicalProcessorCount() const { return logicalProcessorCount_; }

private:
    std::optional<std::string> modelName_;
    ZZCrashReportProcessorInfo processorInfo_;
    std::uint64_t processorCount_;
    std::uint64_t logicalProcessorCount_;
};

// The application that crashed.
class ZZCrashReportApplicationInfo {
public:
    ZZCrashReportApplicationInfo(std::string applicationIdentifier, std::string applicationVersion,
                                 std::optional<std::string> applicationMarketingVersion)
        : applicationIdentifier_(std::move(applicationIdentifier)),
          applicationVersion_(std::move(applicationVersion)),
          applicationMarketingVersion_(std::move(applicationMarketingVersion)) {}

    const std::string& applicationIdentifier() const { return applicationIdentifier_; }
    const std::string& applicationVersion() const { return applicationVersion_; }
    const std::optional<std::string>& applicationMarketingVersion() const { return applicationMarketingVersion_; }

private:
    std::string applicationIdentifier_;
    std::string applicationVersion_;
    std::optional<std::string> applicationMarketingVersion_;
};

// The process that crashed and its parent.
class ZZCrashReportProcessInfo {
public:
    ZZCrashReportProcessInfo(std::optional<std::string> processName, std::uint64_t processID,
                             std::optional<std::string> processPath,
                             std::optional<std::chrono::sys_seconds> processStartTime,
                             std::optional<std::string> parentProcessName, std::uint64_t parentProcessID, bool native)
        : processName_(std::move(processName)),
          processID_(processID),
          processPath_(std::move(processPath)),
          processStartTime_(processStartTime),
          parentProcessName_(std::move(parentProcessName)),
          parentProcessID_(parentProcessID),
          native_(native) {}

    const std::optional<std::string>& processName() const { return processName_; }
    std::uint64_t processID() const { return processID_; }
    const std::optional<std::string>& processPath() const { return processPath_; }
    const std::optional<std::chrono::sys_seconds>& processStartTime() const { return processStartTime_; }
    const std::optional<std::string>& parentProcessName() const { return parentProcessName_; }
    std::uint64_t parentProcessID() const { return parentProcessID_; }
    bool native() const { return native_; }

private:
    std::optional<std::string> processName_;
    std::uint64_t processID_;
    std::optional<std::string> processPath_;
    std::optional<std::chrono::sys_seconds> processStartTime_;
    std::optional<std::string> parentProcessName_;
    std::uint64_t parentProcessID_;
    bool native_;
};

// The signal that ended the process (or the one a Mach exception stands for).
class ZZCrashReportSignalInfo {
public:
    ZZCrashReportSignalInfo(std::string name, std::string code, std::uint64_t address,
                            std::optional<std::string> crashInfoMessage)
        : name_(std::move(name)),
          code_(std::move(code)),
          address_(address),
          crashInfoMessage_(std::move(crashInfoMessage)) {}

    // "SIGSEGV", or "#" and the number.
    const std::string& name() const { return name_; }
    // "SEGV_MAPERR", or "#" and the code.
    const std::string& code() const { return code_; }
    std::uint64_t address() const { return address_; }
    // What a library left in its crash-info section.
    const std::optional<std::string>& crashInfoMessage() const { return crashInfoMessage_; }

private:
    std::string name_;
    std::string code_;
    std::uint64_t address_;
    std::optional<std::string> crashInfoMessage_;
};

// The Mach exception a crash was caught as.
class ZZCrashReportMachExceptionInfo {
public:
    ZZCrashReportMachExceptionInfo(std::uint64_t type, std::vector<std::uint64_t> codes)
        : type_(type), codes_(std::move(codes)) {}

    std::uint64_t type() const { return type_; }
    const std::vector<std::uint64_t>& codes() const { return codes_; }

private:
    std::uint64_t type_;
    std::vector<std::uint64_t> codes_;
};

// The symbol a frame's address lies in.
class ZZCrashReportSymbolInfo {
public:
    ZZCrashReportSymbolInfo(std::string symbolName, std::uint64_t startAddress, std::uint64_t endAddress)
        : symbolName_(std::move(symbolName)), startAddress_(startAddress), endAddress_(endAddress) {}

    const std::string& symbolName() const { return symbolName_; }
    std::uint64_t startAddress() const { return startAddress_; }
    // 0 when unknown.
    std::uint64_t endAddress() const { return endAddress_; }

private:
    std::string symbolName_;
    std::uint64_t startAddress_;
    std::uint64_t endAddress_;
};

// One frame of a stack: where it was, and its symbol when the writer found one.
class ZZCrashReportStackFrameInfo {
public:
    ZZCrashReportStackFrameInfo(std::uint64_t instructionPointer, std::optional<ZZCrashReportSymbolInfo> symbolInfo)
        : instructionPointer_(instructionPointer), symbolInfo_(std::move(symbolInfo)) {}

    std::uint64_t instructionPointer() const { return instructionPointer_; }
    const std::optional<ZZCrashReportSymbolInfo>& symbolInfo() const { return symbolInfo_; }

private:
    std::uint64_t instructionPointer_;
    std::optional<ZZCrashReportSymbolInfo> symbolInfo_;
};

// One register of a crashed thread.
class ZZCrashReportRegisterInfo {
public:
    ZZCrashReportRegisterInfo(std::string registerName, std::uint64_t registerValue)
        : registerName_(std::move(registerName)), registerValue_(registerValue) {}

    const std::string& registerName() const { return registerName_; }
    std::uint64_t registerValue() const { return registerValue_; }

private:
    std::string registerName_;
    std::uint64_t registerValue_;
};

// One thread of the crashed process: its frames, innermost first, and, for the
// thread that crashed, its registers.
class ZZCrashReportThreadInfo {
public:
    ZZCrashReportThreadInfo(std::int64_t threadNumber, std::vector<ZZCrashReportStackFrameInfo> stackFrames,
                            bool crashed, std::vector<ZZCrashReportRegisterInfo> registers)
        : threadNumber_(threadNumber),
          stackFrames_(std::move(stackFrames)),
          crashed_(crashed),
          registers_(std::move(registers)) {}

    std::int64_t threadNumber() const { return threadNumber_; }
    const std::vector<ZZCrashReportStackFrameInfo>& stackFrames() const { return stackFrames_; }
    bool crashed() const { return crashed_; }
    const std::vector<ZZCrashReportRegisterInfo>& registers() const { return registers_; }

private:
    std::int64_t threadNumber_;
    std::vector<ZZCrashReportStackFrameInfo> stackFrames_;
    bool crashed_;
    std::vector<ZZCrashReportRegisterInfo> registers_;
};

// One image loaded in the crashed process.
class ZZCrashReportBinaryImageInfo {
public:
    // `uuid`, when given, is kept as two lowercase hexadecimal digits per byte.
    ZZCrashReportBinaryImageInfo(std::optional<ZZCrashReportProcessorInfo> codeType, std::uint64_t baseAddress,
                                 std::uint64_t size, std::string name,
                                 std::optional<std::span<const std::uint8_t>> uuid);

    const std::optional<ZZCrashReportProcessorInfo>& codeType() const { return codeType_; }
    std::uint64_t imageBaseAddress() const { return imageBaseAddress_; }
    std::uint64_t imageSize() const { return imageSize_; }
    // The image's path.
    const std::string& imageName() const { return imageName_; }
    bool hasImageUUID() const { return imageUUID_.has_value(); }
    const std::optional<std::string>& imageUUID() const { return imageUUID_; }

    // Whether `address` lies in [base, base + size), without wrapping around
    // the end of the address space.
    bool contains(std::uint64_t address) const;

private:
    std::optional<ZZCrashReportProcessorInfo> codeType_;
    std::uint64_t imageBaseAddress_;
    std::uint64_t imageSize_;
    std::string imageName_;
    std::optional<std::string> imageUUID_;
};

// The uncaught exception that ended the process.
class ZZCrashReportExceptionInfo {
public:
    ZZCrashReportExceptionInfo(std::string exceptionName, std::string exceptionReason,
                               std::optional<std::vector<ZZCrashReportStackFrameInfo>> stackFrames)
        : exceptionName_(std::move(exceptionName)),
          exceptionReason_(std::move(exceptionReason)),
          stackFrames_(std::move(stackFrames)) {}

    const std::string& exceptionName() const { return exceptionName_; }
    // Empty when the exception gave none.
    const std::string& exceptionReason() const { return exceptionReason_; }
    // Nothing when the exception's call stack had no frames.
    const std::optional<std::vector<ZZCrashReportStackFrameInfo>>& stackFrames() const { return stackFrames_; }

private:
    std::string exceptionName_;
    std::string exceptionReason_;
    std::optional<std::vector<ZZCrashReportStackFrameInfo>> stackFrames_;
};
