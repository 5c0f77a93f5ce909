// libFuzzer target: a terminal's side of a file transfer. The first byte picks the personality,
// the wire mode and the faults; the text up to the first newline is the command typed on the
// READY screen; the rest, cut at IAC EOR (FF EF), are the terminal's records, with the clock
// moved on between them so time-outs fire too. Each record also goes through the reply and
// frame decoders on its own.
#include <cstddef>
#include <cstdint>
#include <string>

#include "ft_command.h"
#include "ft_dft_codec.h"
#include "ft_frame_codec.h"
#include "ft_shell.h"
#include "fuzz_cp037.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace testhost;
    using namespace testhost::ft;
    if (size < 2) return 0;
    const uint8_t mode = data[0];
    ft::TransferConfig config;
    config.personality = static_cast<Personality>(mode % 3);
    config.mode = static_cast<WireMode>((mode >> 2) % 3);
    config.own_limit = (mode & 0x10) ? 64 : 32767;
    config.faults.short_field = mode & 0x20;
    config.faults.oversize_field = mode & 0x40;
    if (mode & 0x80) config.faults.drop_after = 2;
    FileStore store(config.personality, Cp037());
    HostFile file;
    file.recfm = 'V';
    file.lrecl = 80;
    const Bytes hello = {0xC8, 0xC5, 0xD3, 0xD3, 0xD6};
    file.Add(hello.data(), hello.size());
    file.Add(hello.data(), 0);
    std::string error;
    const char* name = config.personality == Personality::Tso   ? "ORKUSER.HELLO"
                       : config.personality == Personality::Cms ? "HELLO DATA A1"
                                                                : "HELLO";
    if (!store.Store(name, "", file, error)) __builtin_trap();

    ShellIo io;
    io.send = [](const Bytes&, const std::string&, size_t) {};
    io.log = [](const std::string&, const std::string&) {};
    io.disconnect = [](const std::string&) {};
    Shell shell(config, store, Cp037(), std::move(io), true, 10);
    double now = 0;
    shell.Start(now);

    size_t at = 1;
    std::string command;
    while (at < size && data[at] != '\n') command += static_cast<char>(data[at++]);
    TransferCommand parsed;
    std::string message;
    (void)ParseTransferCommand(config.personality, command, "ORKUSER", parsed, message);
    Bytes enter = {0x7D, 0x5A, 0x50, 0x11, 0x5A, 0x50};
    for (char c : command) enter.push_back(Cp037().HostByte(c));
    shell.OnRecord(enter, now);

    const FrameAlphabet alphabet = MakeFrameAlphabet(Cp037());
    ++at;
    while (at < size) {
        size_t end = at;
        while (end < size && !(data[end] == 0xFF && end + 1 < size && data[end + 1] == 0xEF)) ++end;
        const Bytes record(data + at, data + end);
        DftReply reply;
        std::optional<DdmLimits> limits;
        UploadBlock block;
        (void)DecodeDftReply(record, reply, error);
        (void)FindDdmLimits(record, limits, error);
        (void)DecodeUploadReply(record, record.size() > 7 ? record[7] : 0, alphabet, block, error);
        shell.OnRecord(record, now);
        now += record.empty() ? 0 : record.back() % 4;
        shell.OnTick(now);
        at = end + 2;
    }
    shell.OnTick(now + 100);
    return 0;
}
