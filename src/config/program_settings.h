// Program-wide settings: the keys of section "Orkan" of orkan.ini, read once at start-up.
// Every field starts at its documented default, so a missing file or key changes nothing.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace orkan {

struct ProgramSettings {
    // Integer keys whose default is 0.
    int AttentionMethod = 0;
    int AttentionReset = 0;
    int HostnameFocus = 0;
    int NoResetClock = 0;
    int NoMacroOnReconnect = 0;
    int KeepAliveTimeDisable = 0;
    int CloseOnDisconnect = 0;
    int KeyTronicsKeyboard = 0;
    int TestRulerFix = 0;
    int PasteByTyping = 0;
    int AutoSkipAllFields = 0;
    int AlwaysUpdateTranTime = 0;
    int NoAutoSave = 0;
    int CmdChaining = 0;
    int AlwaysShowCrosshairs = 0;
    int AllowDefaultSizeChange = 0;
    int AllUpperCaseInput = 0;
    int Wang = 0;
    int NoSessionSave = 0;
    int CopyUnderscores = 0;
    int CopyPasswords = 0;
    int WordWrapAlways = 0;
    int WordWrapDefault = 0;
    int CheckForMacroRunning = 0;
    int FixInstrFunction = 0;
    int ShowRemotePrinters = 0;
    int IspfOffset = 0;
    int MoveCursorOnCut = 0;
    int RemoveHex1A = 0;
    int ExtendedKeys = 0;
    int ExtraButtons = 0;
    int DisplayByField = 0;
    int ColorModifyField = 0;
    int StatusBarFullPaint = 0;
    int BigNumberFormat = 0;
    int AdditionalKeys = 0;
    int WCCPrintAccumulate = 0;
    int AllowSendReceiveSwap = 0;
    int IgnoreInvalidSBA = 0;
    int IgnoreInvalidWrite = 0;
    int ShowMenuWindowTitle = 0;
    int HideSesExtension = 0;
    int ShowFileManagerButton = 0;
    int FontAlreadyLoaded = 0;
    // Macros a host sends (remote macro text) run with the user's full power instead of the host
    // allow-list (read the screen, keys, waits, messages).
    int AllowHostMacros = 0;
    // MiB the program may grow by while REXX macros run; beyond it they are halted with an error.
    int RexxMemoryLimit = 1024;
    // A screen reader hears the rows a host write changed from the last row up (new messages first).
    int AnnounceLastRowsFirst = 0;

    // Keys with other defaults.
    int UploadConvertLFtoCRLF = 1;  // Linux text files end their lines in LF alone: on by default
    int CopyBufferSize = 64;        // thousands of bytes
    int RecordWait = 20;
    int PatbltCursor = 1;
    int BeepPitchLow = 500, BeepDurationLow = 300;
    int BeepPitchMedium = 1000, BeepDurationMedium = 300;
    int BeepPitchHigh = 1500, BeepDurationHigh = 300;
    int KeepAliveTime = 240;  // seconds
    int ReplyCodepage = 1;
    std::string TermType2 = "IBM-3278-2-E";
    std::string TermType3 = "IBM-3278-3-E";
    std::string TermType4 = "IBM-3278-4-E";
    std::string TermType5 = "IBM-3278-5-E";
    std::string TermTypeUser = "IBM-DYNAMIC";
    std::string WheelUp = "Key(\"PF7\")";
    std::string WheelDown = "Key(\"PF8\")";
    int PrintTimeout = 30;
    // Seconds a file transfer waits for the host (for the transfer program to start, or for its
    // next request) before it is stopped.
    int TransferTimeout = 30;
    int TimeoutDialog = 1;
    std::string KeepAlive = "F1";
    int WheelDelay = -1;
    // The text editor for the data-stream listing; when the key is missing, $VISUAL or $EDITOR.
    std::string Notepad = "xdg-open";
    int IgnoreKeyUp80 = 1;
    int CascadeX = 22, CascadeY = 22;
    std::string GEFontName = "OrkanTN3270 GE";
    int MinFontWidth = 4, MinFontHeight = 6;
    int MaxFontWidth = 40, MaxFontHeight = 60;
    int SetSockOpt = 3;
    // AID bytes for PA4..PA10 (index 0..6) and PF25..PF36 (index 7..18), as two hex digits; "00" hides the
    // key.
    std::array<std::string, 19> ExtraAids = {"00", "00", "00", "00", "00", "00", "00", "00", "00", "00",
                                             "00", "00", "00", "00", "00", "00", "00", "00", "00"};
    std::string AttnTN3270E = "FFF4";
    std::string AttnTN3270 = "FFF3";
    std::string SysreqTN3270E = "FFF5";
    std::string SysreqTN3270 = "FFF5";
    std::string LastSession = "standard.ses";
    std::string CipherList;    // OpenSSL cipher list for TLS 1.2 and older, empty = OpenSSL's own
    std::string CipherSuites;  // TLS 1.3 cipher suites, empty = OpenSSL's own
};

}  // namespace orkan
