// The session settings block: 6988 bytes stored whole behind the session file's 24-byte header.
// Fields live at fixed offsets so that files written by any version load into the same places;
// the table below is the one place that names them. Little-endian, text fields NUL-terminated.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace orkan {

inline constexpr size_t kSessionRecordSize = 6988;

enum class FieldKind : uint8_t {
    Flag,    // one byte, 0 or 1
    Choice,  // one byte, 0..max
    U8,      // one byte number
    U16,     // little-endian 16-bit number
    I16,     // little-endian signed 16-bit number
    U32,     // little-endian 32-bit number
    Text,    // NUL-terminated, at most size - 1 characters
    Colour,  // 4 bytes: blue, green, red, 0 (a 0xRRGGBB number)
};

struct FieldDef {
    uint16_t offset;
    uint16_t size;
    FieldKind kind;
    int32_t min;
    int32_t max;              // for Text: the largest number of characters
    std::string_view option;  // macro option name, empty when macros cannot name it
};

namespace field {
// clang-format off
// Window and palette. The palette's 16 session colours fill the first 64 bytes.
inline constexpr FieldDef Colours            {0x000, 64, FieldKind::Colour, 0, 0xFFFFFF, ""};  // COLOR0..COLOR15, 4 bytes each
inline constexpr FieldDef WindowMaximised    {0x040, 1, FieldKind::Flag, 0, 1, ""};
inline constexpr FieldDef WindowLeft         {0x042, 2, FieldKind::I16, -32768, 32767, ""};
inline constexpr FieldDef WindowTop          {0x044, 2, FieldKind::I16, -32768, 32767, ""};
inline constexpr FieldDef WindowWidth        {0x046, 2, FieldKind::U16, 0, 65535, ""};
inline constexpr FieldDef WindowHeight       {0x048, 2, FieldKind::U16, 0, 65535, ""};
inline constexpr FieldDef Port               {0x04A, 2, FieldKind::U16, 0, 65535, ""};
inline constexpr FieldDef ConnectionTimeout  {0x04C, 2, FieldKind::U16, 0, 999, "CONNECTIONTIMEOUT"};
inline constexpr FieldDef BorderSize         {0x04E, 2, FieldKind::U16, 0, 99, "BORDERSIZE"};
inline constexpr FieldDef NumberOfCopyBuffers{0x050, 2, FieldKind::U16, 0, 9, "NUMBEROFCOPYBUFFERS"};
// Colour roles: 32 pairs (foreground, background) of palette indices; roles 0-15 are the host colours.
inline constexpr FieldDef ColourRoles        {0x052, 64, FieldKind::U8, 0, 21, ""};
inline constexpr FieldDef Brightness         {0x092, 1, FieldKind::U8, 0, 255, ""};
inline constexpr FieldDef ColourTag          {0x093, 1, FieldKind::U8, 0, 255, ""};   // scheme index | 0x80, 0 = none
inline constexpr FieldDef ColourTagEntry     {0x094, 1, FieldKind::U8, 0, 21, ""};    // palette entry that follows the tag (>7)
inline constexpr FieldDef FindOptions        {0x095, 1, FieldKind::U8, 0, 7, ""};     // 1 whole words, 2 match case, 4 again
inline constexpr FieldDef IconNumber         {0x096, 1, FieldKind::U8, 0, 255, ""};
inline constexpr FieldDef CellWidth          {0x098, 2, FieldKind::U16, 0, 255, "WIDTH"};   // fixed cell size, 0 = fit
inline constexpr FieldDef CellHeight         {0x09A, 2, FieldKind::U16, 0, 255, "HEIGHT"};
inline constexpr FieldDef ModeCellWidth1     {0x09C, 2, FieldKind::U16, 0, 255, ""};   // remembered per size mode
inline constexpr FieldDef ModeCellHeight1    {0x09E, 2, FieldKind::U16, 0, 255, ""};
inline constexpr FieldDef ModeCellWidth2     {0x0A0, 2, FieldKind::U16, 0, 255, ""};
inline constexpr FieldDef ModeCellHeight2    {0x0A2, 2, FieldKind::U16, 0, 255, ""};
inline constexpr FieldDef SessionName        {0x115, 41, FieldKind::Text, 0, 40, "SESSIONNAME"};
inline constexpr FieldDef HostName           {0x13E, 65, FieldKind::Text, 0, 64, "HOSTNAME"};
inline constexpr FieldDef WindowTitle        {0x17F, 129, FieldKind::Text, 0, 128, "WINDOWTITLE"};
inline constexpr FieldDef StatusLine         {0x200, 129, FieldKind::Text, 0, 128, "STATUSLINE"};
inline constexpr FieldDef SaveFileAction     {0x2AB, 1, FieldKind::Choice, 0, 3, "SAVEFILEACTION"};
inline constexpr FieldDef ShowWindowOnUpdate {0x2BA, 1, FieldKind::Flag, 0, 1, "SHOWWINDOWONUPDATE"};
inline constexpr FieldDef AskBeforeClosing   {0x2BB, 1, FieldKind::Flag, 0, 1, "ASKBEFORECLOSING"};
inline constexpr FieldDef ShowTooltips       {0x2BC, 1, FieldKind::Flag, 0, 1, "SHOWTOOLTIPS"};
inline constexpr FieldDef TerminalModel      {0x2BD, 1, FieldKind::Choice, 0, 4, "TERMINALMODEL"};
inline constexpr FieldDef KeyClickOnError    {0x2BE, 1, FieldKind::Flag, 0, 1, "KEYCLICKONERROR"};
inline constexpr FieldDef Alarm              {0x2BF, 1, FieldKind::Flag, 0, 1, "ALARM"};
inline constexpr FieldDef UpdateNotification {0x2C0, 1, FieldKind::Flag, 0, 1, "UPDATENOTIFICATION"};
inline constexpr FieldDef BlinkingText       {0x2C1, 1, FieldKind::Choice, 0, 2, "BLINKINGTEXT"};
inline constexpr FieldDef AutoKeyboardUnlock {0x2C2, 1, FieldKind::Flag, 0, 1, "AUTOKEYBOARDUNLOCK"};
inline constexpr FieldDef ResetInsertOnActionKey{0x2C3, 1, FieldKind::Flag, 0, 1, "RESETINSERTONACTIONKEY"};
inline constexpr FieldDef ToggleInsertKey    {0x2C4, 1, FieldKind::Flag, 0, 1, "TOGGLEINSERTKEY"};
inline constexpr FieldDef RowColOnStatusLine {0x2C5, 1, FieldKind::Flag, 0, 1, "ROW/COLONSTATUSLINE"};
inline constexpr FieldDef ModifyColInIspfEdit{0x2C6, 1, FieldKind::Flag, 0, 1, "MODIFYCOLINISPFEDIT"};
inline constexpr FieldDef PrefixInputWithSpaces{0x2C7, 1, FieldKind::Flag, 0, 1, "PREFIXINPUTWITHSPACES"};
inline constexpr FieldDef ConvertNullsToBlanks{0x2C8, 1, FieldKind::Flag, 0, 1, "CONVERTNULLSTOBLANKS"};
inline constexpr FieldDef EnableAutoskip     {0x2C9, 1, FieldKind::Flag, 0, 1, "ENABLEAUTOSKIP"};
inline constexpr FieldDef NumericFieldLock   {0x2CA, 1, FieldKind::Flag, 0, 1, "NUMERICFIELDLOCK"};
inline constexpr FieldDef AllUpperCase       {0x2CB, 1, FieldKind::Flag, 0, 1, "ALLUPPERCASE"};
inline constexpr FieldDef TypeAhead          {0x2CC, 1, FieldKind::Flag, 0, 1, "TYPEAHEAD"};
inline constexpr FieldDef LegacyBackspace    {0x2CD, 1, FieldKind::Flag, 0, 1, ""};   // older files: destructive backspace
inline constexpr FieldDef NormalCursor       {0x2CE, 1, FieldKind::Choice, 0, 1, "NORMALCURSOR"};
inline constexpr FieldDef NormalCursorSize   {0x2CF, 1, FieldKind::Choice, 0, 6, "NORMALCURSORSIZE"};
inline constexpr FieldDef NormalCursorBlink  {0x2D0, 1, FieldKind::Choice, 0, 2, "NORMALCURSORBLINK"};
inline constexpr FieldDef InsertCursor       {0x2D1, 1, FieldKind::Choice, 0, 1, "INSERTCURSOR"};
inline constexpr FieldDef InsertCursorSize   {0x2D2, 1, FieldKind::Choice, 0, 6, "INSERTCURSORSIZE"};
inline constexpr FieldDef InsertCursorBlink  {0x2D3, 1, FieldKind::Choice, 0, 2, "INSERTCURSORBLINK"};
inline constexpr FieldDef Ruler              {0x2D4, 1, FieldKind::Choice, 0, 3, "RULER"};
inline constexpr FieldDef LocateCursor       {0x2D5, 1, FieldKind::Choice, 0, 1, "LOCATECURSOR"};
inline constexpr FieldDef FontName           {0x2D6, 33, FieldKind::Text, 0, 32, "FONTNAME"};
inline constexpr FieldDef SizeWindowToFont   {0x2F8, 1, FieldKind::Flag, 0, 1, "SIZEWINDOWTOFONT"};
inline constexpr FieldDef KeepFontConstantOnModeSwitch{0x2F9, 1, FieldKind::Flag, 0, 1, "KEEPFONTCONSTANTONMODESWITCH"};
inline constexpr FieldDef CutDelete          {0x33A, 1, FieldKind::Choice, 0, 1, "CUT/DELETE"};
// 0 overlay, 1 insert, 2 insert only in insert mode, 3 one line per field.
inline constexpr FieldDef Paste              {0x33B, 1, FieldKind::Choice, 0, 3, "PASTE"};
inline constexpr FieldDef MouseMoveBeforeSelection{0x33E, 1, FieldKind::Choice, 0, 9, "MOUSEMOVEBEFORESELECTION"};
inline constexpr FieldDef UploadHostFile     {0x33F, 261, FieldKind::Text, 0, 260, ""};
inline constexpr FieldDef UploadBinary       {0x47B, 1, FieldKind::Flag, 0, 1, ""};
inline constexpr FieldDef UploadHostSystem   {0x47C, 1, FieldKind::Choice, 0, 2, ""};
inline constexpr FieldDef UploadMemberList   {0x47D, 60, FieldKind::Text, 0, 59, ""};
inline constexpr FieldDef DownloadHostFile   {0x4B9, 261, FieldKind::Text, 0, 260, ""};
inline constexpr FieldDef DownloadBinary     {0x5F5, 1, FieldKind::Flag, 0, 1, ""};
inline constexpr FieldDef DownloadHostSystem {0x5F6, 1, FieldKind::Choice, 0, 2, ""};
inline constexpr FieldDef DownloadMemberList {0x5F7, 60, FieldKind::Text, 0, 59, ""};
inline constexpr FieldDef UploadAppend       {0x633, 1, FieldKind::Flag, 0, 1, ""};
inline constexpr FieldDef UpProgram          {0x634, 21, FieldKind::Text, 0, 20, "UPPROGRAM"};
inline constexpr FieldDef UpAdditionalParameters{0x649, 128, FieldKind::Text, 0, 127, "UPADDITIONALPARAMETERS"};
inline constexpr FieldDef DownloadAppend     {0x6C9, 1, FieldKind::Flag, 0, 1, ""};
inline constexpr FieldDef DownProgram        {0x6CA, 21, FieldKind::Text, 0, 20, "DOWNPROGRAM"};
inline constexpr FieldDef DownAdditionalParameters{0x6DF, 128, FieldKind::Text, 0, 127, "DOWNADDITIONALPARAMETERS"};
inline constexpr FieldDef UseAltForMenu      {0x75F, 1, FieldKind::Flag, 0, 1, "USEALTFORMENU"};
inline constexpr FieldDef AutoReconnect      {0x760, 1, FieldKind::Flag, 0, 1, "AUTORECONNECT"};
inline constexpr FieldDef UserName           {0x762, 41, FieldKind::Text, 0, 40, "USERNAME"};
inline constexpr FieldDef MoveCursorOnActivate{0x78C, 1, FieldKind::Flag, 0, 1, "MOVECURSORONACTIVATE"};
inline constexpr FieldDef SkipAtEndOfField   {0x78D, 1, FieldKind::Flag, 0, 1, "SKIPATENDOFFIELD"};
inline constexpr FieldDef ToggleShiftCaps    {0x78E, 1, FieldKind::Flag, 0, 1, "TOGGLESHIFT/CAPS"};
inline constexpr FieldDef ScreenCodePage     {0x792, 32, FieldKind::Text, 0, 31, "SCREEN"};
inline constexpr FieldDef PcCodePage         {0x7B2, 32, FieldKind::Text, 0, 31, "PCCODEPAGE"};
inline constexpr FieldDef KeyboardCodePage   {0x7D2, 32, FieldKind::Text, 0, 31, "KEYBOARD"};
inline constexpr FieldDef NotifyUserOnInsertError{0x800, 1, FieldKind::Flag, 0, 1, "NOTIFYUSERONINSERTERROR"};
// Six printer profiles of 51 bytes (screens of models 2-5, other sizes, text files); layout below.
inline constexpr FieldDef PrinterProfiles    {0x801, 306, FieldKind::U8, 0, 255, ""};
inline constexpr FieldDef PrintMode          {0x933, 1, FieldKind::Choice, 0, 2, ""};   // 0 by intensity, 1 normal, 2 bold
inline constexpr FieldDef DebugWindowLeft    {0x934, 2, FieldKind::I16, -32768, 32767, ""};
inline constexpr FieldDef DebugWindowTop     {0x936, 2, FieldKind::I16, -32768, 32767, ""};
inline constexpr FieldDef DebugWindowWidth   {0x938, 2, FieldKind::I16, -32768, 32767, ""};
inline constexpr FieldDef DebugWindowHeight  {0x93A, 2, FieldKind::I16, -32768, 32767, ""};
inline constexpr FieldDef IpName             {0x93C, 65, FieldKind::Text, 0, 64, ""};
inline constexpr FieldDef Tn3270e            {0x97D, 1, FieldKind::Flag, 0, 1, ""};
inline constexpr FieldDef After              {0x988, 2, FieldKind::U16, 0, 99, "AFTER"};
inline constexpr FieldDef TransferBlockSize  {0x98A, 2, FieldKind::U16, 0, 25000, "TRANSFERBLOCKSIZE"};
inline constexpr FieldDef UserScreenWidth    {0x98C, 1, FieldKind::U8, 80, 200, ""};
inline constexpr FieldDef UserScreenHeight   {0x98D, 1, FieldKind::U8, 24, 200, ""};
inline constexpr FieldDef CursorColor        {0xA10, 1, FieldKind::Choice, 0, 5, "CURSORCOLOR"};
inline constexpr FieldDef MoveCursorToEndOnPaste{0xAB2, 1, FieldKind::Flag, 0, 1, "MOVECURSORTOENDONPASTE"};
inline constexpr FieldDef NormalCursorBackspace{0xAC1, 1, FieldKind::Choice, 0, 2, "NORMALCURSORBACKSPACE"};
inline constexpr FieldDef InsertCursorBackspace{0xAC2, 1, FieldKind::Choice, 0, 2, "INSERTCURSORBACKSPACE"};
inline constexpr FieldDef TransferQualifier  {0xAC4, 45, FieldKind::Text, 0, 44, ""};
inline constexpr FieldDef PrinterName        {0xAF1, 33, FieldKind::Text, 0, 32, ""};
inline constexpr FieldDef EnableDragAndDrop  {0xB13, 1, FieldKind::Flag, 0, 1, "ENABLEDRAGANDDROP"};
inline constexpr FieldDef EnableAutoCutCopy  {0xB14, 1, FieldKind::Flag, 0, 1, "ENABLEAUTOCUT/COPY"};
inline constexpr FieldDef DftMode            {0xB15, 1, FieldKind::Flag, 0, 1, ""};
inline constexpr FieldDef DefaultColumns     {0xB18, 4, FieldKind::U32, 0, 200, ""};
inline constexpr FieldDef DefaultRows        {0xB1C, 4, FieldKind::U32, 0, 200, ""};
inline constexpr FieldDef LuName             {0xB2B, 20, FieldKind::Text, 0, 19, ""};
inline constexpr FieldDef SaveDialogPositions{0xB3F, 1, FieldKind::Flag, 0, 1, "SAVEDIALOGPOSITIONS"};
inline constexpr FieldDef SessionFile        {0xB80, 260, FieldKind::Text, 0, 259, "SESSIONFILE"};
inline constexpr FieldDef KeyboardFile       {0xC84, 260, FieldKind::Text, 0, 259, "EDITKEYBOARD"};
inline constexpr FieldDef ToolbarFile        {0xD88, 260, FieldKind::Text, 0, 259, "EDITTOOLBAR"};
inline constexpr FieldDef SaveScreenFile     {0xE8C, 260, FieldKind::Text, 0, 259, "FILE"};
inline constexpr FieldDef StartupMacro       {0xF90, 260, FieldKind::Text, 0, 259, "STARTUPMACRO"};
inline constexpr FieldDef UploadPcFile       {0x1094, 260, FieldKind::Text, 0, 259, ""};
inline constexpr FieldDef UploadPcDirectory  {0x1198, 260, FieldKind::Text, 0, 259, ""};
inline constexpr FieldDef DownloadPcFile     {0x129C, 260, FieldKind::Text, 0, 259, ""};
inline constexpr FieldDef DownloadPcDirectory{0x13A0, 260, FieldKind::Text, 0, 259, ""};
inline constexpr FieldDef KeypadFile         {0x14A4, 260, FieldKind::Text, 0, 259, "EDITKEYPAD"};
inline constexpr FieldDef AlarmSoundFile     {0x15A8, 260, FieldKind::Text, 0, 259, ""};
inline constexpr FieldDef KeyClickSoundFile  {0x16AC, 260, FieldKind::Text, 0, 259, ""};
inline constexpr FieldDef UpdateSoundFile    {0x17B0, 260, FieldKind::Text, 0, 259, ""};
inline constexpr FieldDef TlsChoice          {0x18B4, 1, FieldKind::U8, 0, 12, ""};
inline constexpr FieldDef BorderText         {0x19B5, 107, FieldKind::Text, 0, 106, "BORDERTEXT"};
// Each buffer holds a whole screen (120000 bytes): 100 keeps the history ring near 12 MB.
inline constexpr FieldDef ScreenBuffers      {0x1A20, 2, FieldKind::U16, 0, 100, "SCREENBUFFERS"};
inline constexpr FieldDef HostInitiatedPrinting{0x1A22, 1, FieldKind::Flag, 0, 1, "HOSTINITIATEDPRINTING"};
inline constexpr FieldDef TrueType           {0x1A24, 1, FieldKind::Choice, 0, 1, "TRUETYPE"};
inline constexpr FieldDef TrueTypeFontName   {0x1A26, 33, FieldKind::Text, 0, 32, "TRUETYPEFONTNAME"};
inline constexpr FieldDef UploadSpacePrimary {0x1A68, 4, FieldKind::U32, 0, 0x7FFFFFFF, ""};
inline constexpr FieldDef UploadSpaceSecondary{0x1A6C, 4, FieldKind::U32, 0, 0x7FFFFFFF, ""};
inline constexpr FieldDef UploadUnit         {0x1A70, 1, FieldKind::Choice, 0, 1, ""};
inline constexpr FieldDef UploadBlksize      {0x1A74, 4, FieldKind::U32, 0, 0x7FFFFFFF, ""};
inline constexpr FieldDef UploadLrecl        {0x1A78, 4, FieldKind::U32, 0, 0x7FFFFFFF, ""};
inline constexpr FieldDef UploadRecfm        {0x1A7C, 1, FieldKind::Choice, 0, 2, ""};
inline constexpr FieldDef UploadAscii        {0x1A7D, 1, FieldKind::Flag, 0, 1, ""};
inline constexpr FieldDef UploadCrlf         {0x1A7E, 1, FieldKind::Flag, 0, 1, ""};
inline constexpr FieldDef DownloadAscii      {0x1A7F, 1, FieldKind::Flag, 0, 1, ""};
inline constexpr FieldDef DownloadCrlf       {0x1A80, 1, FieldKind::Flag, 0, 1, ""};
inline constexpr FieldDef UploadDialogParameters{0x1A81, 100, FieldKind::Text, 0, 99, ""};
// Listed as 101 bytes, which would put its terminator on the HTML flag at 0x1B49; kept to 100.
inline constexpr FieldDef DownloadDialogParameters{0x1AE5, 100, FieldKind::Text, 0, 99, ""};
inline constexpr FieldDef FormatAsHtml       {0x1B49, 1, FieldKind::Flag, 0, 1, "FORMATASHTML"};
// clang-format on
}  // namespace field

// Free bytes for settings that later modules add (keep this list current when taking some):
// 0x0A4-0x114, 0x281-0x2AA, 0x2AC-0x2B9, 0x2F7, 0x2FA-0x339, 0x33C-0x33D, 0x761, 0x78B, 0x78F-0x791,
// 0x7F2-0x7FF, 0x97E-0x987, 0x98E-0xA0F, 0xA11-0xAB1, 0xAB3-0xAC0, 0xAC3, 0xB16-0xB17,
// 0xB20-0xB2A, 0xB40-0xB7F, 0x18B5-0x19B4, 0x1A23, 0x1A25, 0x1A47-0x1A67, 0x1A71-0x1A73, 0x1B4A-0x1B4B.

// One printer profile inside PrinterProfiles.
inline constexpr size_t kPrinterProfileSize = 51;
inline constexpr int kPrinterProfiles = 6;
namespace printer_profile {
inline constexpr size_t FontName = 0;      // 33 bytes, NUL-terminated face name
inline constexpr size_t Orientation = 33;  // 0 as the printer is set, 1 portrait, 2 landscape
inline constexpr size_t TwoUp = 34;        // 1: two screens (or text columns) per sheet
inline constexpr size_t Left = 35;         // 4 bytes each: per layout, percent of the page
inline constexpr size_t Top = 39;
inline constexpr size_t Right = 43;
inline constexpr size_t Bottom = 47;
}  // namespace printer_profile

// The block itself with typed access by field. Reads and writes never leave the block: a field
// that does not fit is a programming error caught by the static table test, and text that is too
// long for its field is refused, never cut.
class SessionRecord {
  public:
    SessionRecord() { bytes_.fill(0); }

    std::span<uint8_t> Bytes() { return bytes_; }
    std::span<const uint8_t> Bytes() const { return bytes_; }

    uint32_t Number(const FieldDef& f) const;           // Flag, Choice, U8, U16, U32, Colour
    int32_t Signed(const FieldDef& f) const;            // I16
    void SetNumber(const FieldDef& f, uint32_t value);  // stored in the field's width
    std::string Text(const FieldDef& f) const;
    [[nodiscard]] bool SetText(const FieldDef& f, std::string_view text);  // false when too long

    bool Flag(const FieldDef& f) const { return Number(f) != 0; }

    // The palette's session colours and the colour roles, by index.
    uint32_t SessionColour(int index) const;  // 0xRRGGBB, index 0..15
    void SetSessionColour(int index, uint32_t rgb);
    uint8_t RoleForeground(int role) const;
    uint8_t RoleBackground(int role) const;
    void SetRole(int role, uint8_t foreground, uint8_t background);

    bool operator==(const SessionRecord& other) const { return bytes_ == other.bytes_; }

  private:
    std::array<uint8_t, kSessionRecordSize> bytes_;
};

}  // namespace orkan
