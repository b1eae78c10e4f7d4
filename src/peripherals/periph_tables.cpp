// The binding tables of the six analog peripheral windows, each in the order
// of its window's refresh.
#include "peripherals/periph_hooks.h"
#include "peripherals/periph_table.h"

namespace kyvor {

using F = TFieldId;
using K = TCtlKind;
using namespace hooks;

// The result binding names the high byte's record; the middle and low bytes
// are the two records after it.
static_assert(int(F::AdcADC0OM) == int(F::AdcADC0OH) + 1 && int(F::AdcADC0OL) == int(F::AdcADC0OH) + 2);
static_assert(int(F::AdcIADC1OM) == int(F::AdcIADC1OH) + 1 &&
              int(F::AdcIADC1OL) == int(F::AdcIADC1OH) + 2);
static_assert(int(F::AdcIIADC2OM) == int(F::AdcIIADC2OH) + 1 &&
              int(F::AdcIIADC2OL) == int(F::AdcIIADC2OH) + 2);

std::string BinaryCodeText(int value, int digits) {
  std::string s(static_cast<std::size_t>(digits > 0 ? digits : 0), '0');
  for (int d = 0; d < digits; ++d) {
    if (value & (1 << d)) s[static_cast<std::size_t>(digits - 1 - d)] = '1';
  }
  return s;
}

namespace {

template <std::size_t N>
constexpr uint8_t Count(const char* const (&)[N]) {
  return static_cast<uint8_t>(N);
}

// --- value label texts ------------------------------------------------------------
constexpr const char* kPgaGain[] = {"Off", "x 2", "x 4", "x 8"};
constexpr const char* kAdGain[] = {"ADGN = 1/4", "ADGN = 1/2", "ADGN = x 1",  "ADGN = x 2",
                                   "ADGN = x 4", "ADGN = x 8", "ADGN = x 16", "ADGN = x 16"};
constexpr const char* kDcSet[] = {"S + 0", "S + VRE*1/4", "S + VRE*1/2", "S + VRE*3/4",
                                  "S + 0", "S - VRE*1/4", "S - VRE*1/2", "S - VRE*3/4"};
constexpr const char* kOsr[] = {"ADC_CK / 256",  "ADC_CK / 512",  "ADC_CK / 1024",
                                "ADC_CK / 2048", "ADC_CK / 4096", "ADC_CK / 8192",
                                "ADC_CK / 16384", "ADC_CK / 32768"};
constexpr const char* kAdcs[] = {"\u00f7 1",  "\u00f7 2",  "\u00f7 4",  "\u00f7 8",
                                 "\u00f7 16", "\u00f7 32", "\u00f7 64", "\u00f7 128"};
constexpr const char* kOpMode[] = {"Chopper ADC_CK/64", "Chopper ADC_CK/128", "Offset Position",
                                   "Offset Negative"};
constexpr const char* kCpvcs[] = {"Floating", "Temperature", "0.25 x VDD", "0.5 x VDD"};
constexpr const char* kCpvrs[] = {
    "Floating",       "VR0 = 62.5mV",  "VR1 = 125mV",    "VR2 = 187.5mV",
    "VR3 = 250mV",    "VR4 = 312.5mV", "VR5 = 375mV",    "VR6 = 437.5mV",
    "VR7 = 562.5mV",  "VR9 = 625mV",   "VR9 = 687.5mV",  "VR10 = 750mV",
    "VR11 = 812.5mV", "VR12 = 875mV",  "VR13 = 937.5mV", "VCP = 1000mV"};
constexpr const char* kAd1Gain[] = {"AD1GN=x1/4", "AD1GN=x1/2", "AD1GN=x 1", "AD1GN=x 2",
                                    "AD1GN=x 4",  "AD1GN=x 8",  "AD1GN=x16"};
constexpr const char* kDc1s[] = {"S + 0",       "S + VRE*1/8", "S + VRE*1/4", "S + VRE*3/8",
                                 "S + VRE*1/2", "S + VRE*5/8", "S + VRE*3/4", "S + VRE*7/8",
                                 "S + 0",       "S - VRE*1/8", "S - VRE*1/4", "S - VRE*3/8",
                                 "S - VRE*1/2", "S - VRE*5/8", "S - VRE*3/4", "S - VRE*7/8"};
constexpr const char* kOsr1[] = {"ADC_CK / 65536", "ADC_CK / 32768", "ADC_CK / 16384",
                                 "ADC_CK / 8192",  "ADC_CK / 4096",  "ADC_CK / 2048",
                                 "ADC_CK / 1024",  "ADC_CK / 512",   "ADC_CK / 256",
                                 "ADC_CK / 128",   "ADC_CK / 64"};
constexpr const char* kDadc[] = {"\u00f7 2", "\u00f7 4", "\u00f7 8", "\u00f7 16"};
constexpr const char* kLdo1[] = {"2.4V", "2.6V", "2.9V", "3.3V", "3.6V", "4.0V", "4.5V", "Reserved"};
constexpr const char* kAd2Gain[] = {"AD2GN=x0.25", "AD2GN=x0.5", "AD2GN=x1",  "AD2GN=x2",
                                    "AD2GN=x4",    "AD2GN=x8",   "AD2GN=x16", "AD2GN=RSV."};
constexpr const char* kDc2s[] = {"S + 0",       "S + 0",       "S + VRE*2/8", "S + VRE*2/8",
                                 "S + VRE*4/8", "S + VRE*4/8", "S + VRE*6/8", "S + VRE*6/8",
                                 "S - 0",       "S - 0",       "S - VRE*2/8", "S - VRE*2/8",
                                 "S - VRE*4/8", "S - VRE*4/8", "S - VRE*6/8", "S - VRE*6/8"};
constexpr const char* kOsr2[] = {"32768", "32768", "16384", "8192",  "4096",  "2048",
                                 "1024",  "512",   "256",   "128",   "64",    "32768",
                                 "32768", "32768", "32768", "32768"};
constexpr const char* kLdo2[] = {"LDO=HighImpedance", "LDO=VDD", "LDO=VDD(<1.5mA)", "LDO=RSV."};

// --- ADC window ----------------------------------------------------------------------
constexpr TBinding kAdc[] = {
    {.field = F::AdcIN0H, .kind = K::Mux, .group = "Inputs", .title = "INH", .list = "TXINH",
     .button = "INH", .optionLabel = "LINH#", .options = 8, .digits = 3, .entries = 8,
     .codeFrom = TCodeFrom::Text, .hook = TemperatureHigh},
    {.field = F::AdcIN0L, .kind = K::Mux, .group = "Inputs", .title = "INL", .list = "TXINL",
     .button = "INL", .optionLabel = "LINL#", .options = 8, .digits = 3, .entries = 8,
     .codeFrom = TCodeFrom::Text, .hook = TemperatureLow},
    {.field = F::AdcVR0H, .kind = K::Mux, .group = "References", .title = "VRH", .list = "TXVRH",
     .button = "VRH", .optionLabel = "LVRH#", .options = 4, .digits = 2, .entries = 4,
     .codeFrom = TCodeFrom::Text},
    {.field = F::AdcVR0L, .kind = K::Mux, .group = "References", .title = "VRL", .list = "TXVRL",
     .button = "VRL", .optionLabel = "LVRL#", .options = 4, .digits = 2, .entries = 4,
     .codeFrom = TCodeFrom::Text},
    {.field = F::INX0, .kind = K::Stepper, .group = "Inputs", .title = "INX", .list = "TXINX",
     .button = "INX", .options = 4, .digits = 2, .entries = 4},
    {.field = F::AdcIN0IS, .kind = K::Panel, .group = "Switches", .panel = "PINIS",
     .caption = "INIS", .setPictures = {"INISon"}, .clearPictures = {"INISoff"}},
    {.field = F::AdcPGA0GN, .kind = K::List, .group = "Gain", .title = "PGA gain",
     .list = "TXPGAGN", .label = "TXPGAGNS", .digits = 2, .entries = 4, .beyond = TBeyond::Last,
     .texts = kPgaGain, .textCount = Count(kPgaGain)},
    {.field = F::AdcENHIGN0, .kind = K::Panel, .group = "Switches", .label = "TXENHIGN",
     .panel = "PENHIGN", .caption = "ENHIGN", .setText = "OPAMP-H", .clearText = "OPAMP-L"},
    {.field = F::AdcENCHP0, .kind = K::Panel, .group = "Switches", .label = "TXENCHP",
     .panel = "PENCHP", .caption = "ENCHP", .setText = "SD Chopper off",
     .clearText = "SD Chopper on"},
    {.field = F::AdcINBUF0, .kind = K::Panel, .group = "Switches", .panel = "PINBUFF",
     .caption = "INBUF", .redraw = TRedraw::Always, .setPictures = {"INBUFFoff0", "INBUFFoff1"},
     .clearPictures = {"INBUFFon0", "INBUFFon1"}, .hook = InputBuffer},
    {.field = F::AdcAD0GN, .kind = K::List, .group = "Gain", .title = "Modulator gain",
     .list = "TXADGN", .label = "TXADGNS", .digits = 3, .entries = 8, .redraw = TRedraw::Always,
     .texts = kAdGain, .textCount = Count(kAdGain), .hook = GainWarning},
    {.field = F::AdcVRBUF0, .kind = K::Panel, .group = "Switches", .panel = "PVERBUFF",
     .caption = "VRBUF", .setPictures = {"VERBUFFoff0", "VERBUFFoff1"},
     .clearPictures = {"VERBUFFon0", "VERBUFFon1"}},
    {.field = F::AdcVRE0GN, .kind = K::Panel, .group = "Switches", .label = "TXVRGN",
     .panel = "PVRGN", .caption = "VREGN", .setText = "VREGN= x 1/2", .clearText = "VREGN= x 1"},
    {.field = F::ADCCK0, .kind = K::Panel, .group = "Switches", .panel = "PADCCK",
     .caption = "ADCCK", .setPictures = {"ADCCKup"}, .clearPictures = {"ADCCKdown"}},
    {.field = F::AdcDCSET0, .kind = K::List, .group = "Conversion", .title = "DC offset",
     .list = "TXDCSET", .label = "TXDCSETS", .digits = 3, .entries = 8, .texts = kDcSet,
     .textCount = Count(kDcSet)},
    {.field = F::AdcOSR0, .kind = K::List, .group = "Conversion", .title = "ADC Output Rate",
     .list = "TXOSR", .label = "TXOSRS", .digits = 3, .entries = 8, .texts = kOsr,
     .textCount = Count(kOsr)},
    {.field = F::AdcADCS0, .kind = K::List, .group = "Conversion", .title = "Divider",
     .list = "TXADCS", .label = "TXADCSS", .digits = 3, .entries = 8, .texts = kAdcs,
     .textCount = Count(kAdcs)},
    {.field = F::AdcADC0OH, .kind = K::Result, .group = "Result", .title = "ADC", .label = "TXADC",
     .redraw = TRedraw::Always},
    {.field = F::AdcENADC0, .kind = K::Panel, .group = "Result", .panel = "PENADC",
     .caption = "ENADC", .redraw = TRedraw::Always, .hook = AdcOff},
    {.field = F::AdcENVDDA, .kind = K::Panel, .group = "VDDA", .label = "TXVDDAS",
     .panel = "PENVDDA", .caption = "VDDA", .redraw = TRedraw::Always, .hook = VddaLabel},
    {.field = F::AdcVDDAX, .kind = K::List, .group = "VDDA", .title = "VDDA voltage",
     .list = "TXVDDA", .digits = 2, .entries = 4, .redraw = TRedraw::Never},
    {.field = F::ADCIF, .kind = K::Flag, .group = "Result", .panel = "LADIF", .caption = "ADCIF",
     .redraw = TRedraw::Always},
};
constexpr TExtraControl kAdcExtras[] = {
    {"ADCWarnning",
     "            Warning !!!               when unmeasured signal buffer is activated, "
     "amplification of    modulator must lower than or equal to 4 amplifications. Measurement "
     "deviation may be brought about when signal amplificaiton is higher than 4 amplifications.",
     true},
    {"PTemp", "Temperature sensor", true},
    {"TPSHP", "TEMP+ on INH", true},
    {"TPSHN", "TEMP- on INH", true},
    {"TPSLP", "TEMP+ on INL", true},
    {"TPSLN", "TEMP- on INL", true},
    // The LDO list of the design, shown only on the chips of the ADC-I family.
    {"ENLDO_ComboBox", "LDO", true, TExtraKind::List, "VDDA"},
};

// --- op-amp window ---------------------------------------------------------------------
constexpr TBinding kOp[] = {
    {.field = F::OpOP0P, .kind = K::Mux, .group = "Inputs", .title = "OPP[1:0]", .list = "TXOP0P",
     .button = "OP0P", .optionLabel = "LAP#", .options = 4, .digits = 2, .entries = 4,
     .codeFrom = TCodeFrom::Text, .beyond = TBeyond::NoChoice},
    {.field = F::OpOP0N, .kind = K::Mux, .group = "Inputs", .title = "OPN[2:0]", .list = "TXOP0N",
     .button = "OP0N", .optionLabel = "LAI#", .options = 8, .digits = 3, .entries = 8,
     .codeFrom = TCodeFrom::Text, .beyond = TBeyond::NoChoice},
    {.field = F::OpENOP, .kind = K::Panel, .group = "Op amp", .label = "TXENOPS", .panel = "PENOP",
     .caption = "ENOP", .setText = "ON", .clearText = "OFF"},
    {.field = F::OpOP0M, .kind = K::List, .group = "Op amp", .title = "OPM[1:0]", .list = "TXOP0M",
     .label = "TXOP0MS", .digits = 2, .entries = 4, .beyond = TBeyond::Keep, .texts = kOpMode,
     .textCount = Count(kOpMode)},
    {.field = F::OpOP0IS, .kind = K::Panel, .group = "Op amp", .panel = "POP0IS",
     .caption = "OPIS", .setPictures = {"OP0ISon"}, .clearPictures = {"OP0ISoff"}},
    {.field = F::OpENVDDA, .kind = K::Panel, .group = "VDDA", .label = "TXVDDAS",
     .panel = "PENVDDA", .caption = "VDDA", .redraw = TRedraw::Always, .hook = VddaLabel},
    {.field = F::OpVDDAX, .kind = K::List, .group = "VDDA", .title = "VDDA voltage",
     .list = "TXVDDA", .digits = 2, .entries = 4, .redraw = TRedraw::Never},
};

// --- comparator window -------------------------------------------------------------------
constexpr TRedraw kAll = TRedraw::Always;
constexpr TBinding kCmp[] = {
    {.field = F::CmpCPIH, .kind = K::Mux, .group = "Inputs", .title = "CPIH", .list = "TXCPIH",
     .button = "CPIH", .optionLabel = "LCPIH#", .options = 4, .digits = 2, .entries = 4,
     .codeFrom = TCodeFrom::Text, .beyond = TBeyond::NoChoice, .redraw = kAll},
    {.field = F::CmpCPIL, .kind = K::Mux, .group = "Inputs", .title = "CPIL", .list = "TXCPIL",
     .button = "CPIL", .optionLabel = "LCPIL#", .options = 8, .digits = 3, .entries = 8,
     .codeFrom = TCodeFrom::Text, .beyond = TBeyond::NoChoice, .redraw = kAll},
    {.field = F::CmpENCPA, .kind = K::Panel, .group = "Comparator", .panel = "PENCPA",
     .caption = "ENCPA", .redraw = kAll},
    {.field = F::CmpCPIST, .kind = K::Panel, .group = "Comparator", .panel = "PCIST",
     .caption = "CIST", .redraw = kAll, .setPictures = {"CPISon"}, .clearPictures = {"CPISoff"}},
    {.field = F::CmpCPOIES, .kind = K::Panel, .group = "Comparator", .panel = "PCPOEG",
     .caption = "CPOEG", .redraw = kAll, .setPictures = {"CPOfalling"},
     .clearPictures = {"CPOraising"}, .hidden = true},
    {.field = F::CmpCPOX, .kind = K::Panel, .group = "Comparator", .panel = "PCPOX",
     .caption = "CPOX", .redraw = kAll},
    {.field = F::CmpCPOFR, .kind = K::Panel, .group = "Comparator", .panel = "PCPOFR",
     .caption = "CPOFR", .redraw = kAll, .setPictures = {"CPOFRdown"},
     .clearPictures = {"CPOFRup"}},
    {.field = F::CmpCS1, .kind = K::Panel, .group = "Comparator", .panel = "PCS1",
     .caption = "CS1", .redraw = kAll, .setPictures = {"CS1down"}, .clearPictures = {"CS1up"}},
    {.field = F::CmpCS2, .kind = K::Panel, .group = "Comparator", .panel = "PCS2",
     .caption = "CS2", .redraw = kAll, .setPictures = {"CS2down"}, .clearPictures = {"CS2up"}},
    {.field = F::CmpCAPAT, .kind = K::Panel, .group = "Comparator", .panel = "PCAPAT",
     .caption = "CAPAT", .redraw = kAll},
    {.field = F::CmpCPVCS, .kind = K::Mux, .group = "Voltages", .title = "CPVCS",
     .list = "TXCPVCS", .button = "CPVCS", .optionLabel = "LCPVCS@", .options = 4, .digits = 2,
     .entries = 4, .beyond = TBeyond::NoChoice, .redraw = kAll, .texts = kCpvcs,
     .textCount = Count(kCpvcs)},
    {.field = F::CmpCPVRS, .kind = K::Mux, .group = "Voltages", .title = "CPVRS",
     .list = "TXCPVRS", .button = "CPVRS", .optionLabel = "LCPVRS@", .options = 16, .digits = 4,
     .entries = 16, .beyond = TBeyond::NoChoice, .redraw = kAll, .texts = kCpvrs,
     .textCount = Count(kCpvrs)},
    {.field = F::CmpCPIX, .kind = K::Panel, .group = "Comparator", .panel = "PCPIX",
     .caption = "CPIX", .redraw = kAll, .setPictures = {"CPIXdown", "CPIX1down"},
     .clearPictures = {"CPIXup", "CPIX1up"}},
    {.field = F::CmpPTMX, .kind = K::Panel, .group = "Output pins", .panel = "PPMX",
     .caption = "PM2.7", .redraw = kAll},
    {.field = F::CmpTRISCX, .kind = K::Panel, .group = "Output pins", .panel = "PTCX",
     .caption = "TC2.7", .redraw = kAll},
    {.field = F::CmpPTDAX, .kind = K::Panel, .group = "Output pins", .panel = "PDAX",
     .caption = "DA2.7", .redraw = kAll},
    {.field = F::CmpPTMX1, .kind = K::Panel, .group = "Output pins", .panel = "PPMX1",
     .caption = "", .redraw = kAll, .hidden = true},
    {.field = F::CmpTRISCX1, .kind = K::Panel, .group = "Output pins", .panel = "PTCX1",
     .caption = "", .redraw = kAll, .hidden = true},
    {.field = F::CmpPTDAX1, .kind = K::Panel, .group = "Output pins", .panel = "PDAX1",
     .caption = "", .redraw = kAll, .hidden = true},
    {.field = F::CmpCPOIF, .kind = K::Panel, .group = "Comparator", .panel = "PCPOIF",
     .caption = "CPOIF", .redraw = kAll, .clickable = false},
    {.field = F::CmpENVDDA, .kind = K::Panel, .group = "Voltages", .label = "TXVDDAS1",
     .panel = "PENVDDA", .caption = "VDDA", .redraw = kAll, .hook = VddaLabel},
    {.field = F::CmpVDDAX, .kind = K::List, .group = "Voltages", .title = "VDDA voltage",
     .list = "TXVDDA", .digits = 2, .entries = 4, .redraw = TRedraw::Never},
    {.field = F::CmpENACM, .kind = K::Panel, .group = "Voltages", .panel = "PREFO",
     .caption = "ACM", .redraw = kAll},
};
constexpr TExtraControl kCmpExtras[] = {
    {"LCMPONOFF", "CP2 OFF"},
    {"LCMP1ONOFF", "CP1 OFF"},
    {"TXVDDAS", "VDDA = External", true},
};

// --- ADC-I window ---------------------------------------------------------------------------
constexpr TBinding kAdcI[] = {
    {.field = F::AdcIIN1P, .kind = K::Mux, .group = "Inputs", .title = "IN1P", .list = "TXIN1P",
     .button = "IN1P", .optionLabel = "LIN1P#", .options = 4, .digits = 3, .entries = 8,
     .codeFrom = TCodeFrom::Text, .hook = TemperatureHigh},
    {.field = F::AdcIIN1N, .kind = K::Mux, .group = "Inputs", .title = "IN1N", .list = "TXIN1N",
     .button = "IN1N", .optionLabel = "LIN1N#", .options = 4, .digits = 3, .entries = 8,
     .codeFrom = TCodeFrom::Text, .hook = TemperatureLow},
    {.field = F::AdcIVR1P, .kind = K::Mux, .group = "References", .title = "VR1P",
     .list = "TXVR1P", .button = "VR1P", .optionLabel = "LVR1P#", .options = 2, .digits = 2,
     .entries = 4, .codeFrom = TCodeFrom::Text},
    {.field = F::AdcIVR1N, .kind = K::Mux, .group = "References", .title = "VR1N",
     .list = "TXVR1N", .button = "VR1N", .optionLabel = "LVR1N#", .options = 4, .digits = 2,
     .entries = 4, .codeFrom = TCodeFrom::Text, .redraw = TRedraw::Never, .hidden = true},
    {.field = F::AdcIIN1ST, .kind = K::Panel, .group = "Switches", .panel = "PINIS1",
     .caption = "IN1ST", .setPictures = {"IN1STon"}, .clearPictures = {"IN1SToff"},
     .hidden = true},
    {.field = F::AdcICHOP1, .kind = K::Panel, .group = "Switches", .label = "TXCHOP1",
     .panel = "PCHOP1", .caption = "CHOP1", .setText = "GAIN>32", .clearText = "GAIN<=32",
     .hidden = true},
    {.field = F::INX0, .kind = K::Stepper, .group = "Inputs", .title = "INX", .list = "TXINX",
     .button = "INX", .options = 4, .digits = 2, .entries = 4, .clickable = false},
    {.field = F::AdcIAD1GN, .kind = K::List, .group = "Gain", .title = "AD1GN",
     .list = "TXAD1GN", .label = "TXAD1GNS", .digits = 3, .entries = 8, .redraw = TRedraw::Always,
     .texts = kAd1Gain, .textCount = Count(kAd1Gain), .hook = AdcIGainCorrection},
    {.field = F::AdcIVR1GN, .kind = K::Panel, .group = "Switches", .label = "TXVR1GN",
     .panel = "PVR1GN", .caption = "VR1GN", .setText = "VR1GN=Reserved", .clearText = "VR1GN=x1"},
    {.field = F::AdcIDC1S, .kind = K::List, .group = "Conversion", .title = "DC1S",
     .list = "TXDC1S", .label = "TXDC1SS", .digits = 4, .entries = 16, .texts = kDc1s,
     .textCount = Count(kDc1s)},
    {.field = F::AdcIOSR1, .kind = K::List, .group = "Conversion", .title = "OSR1",
     .list = "TXOSR1", .label = "TXOSR1S", .digits = 4, .entries = 12, .texts = kOsr1,
     .textCount = Count(kOsr1)},
    {.field = F::DADC, .kind = K::List, .group = "Conversion", .title = "DADC",
     .list = "TXDADC1", .label = "TXDADCS1", .digits = 2, .entries = 4, .texts = kDadc,
     .textCount = Count(kDadc), .hidden = true, .shared = true},
    {.field = F::AdcIAD1HS, .kind = K::Panel, .group = "Switches", .label = "TXAD1HS",
     .panel = "PAD1HS", .caption = "AD1HS", .setText = "ADCLK>500kHz",
     .clearText = "ADCLK<500kHz", .hidden = true},
    {.field = F::PGA, .kind = K::List, .group = "Gain", .title = "PGA gain", .list = "TXPGA1GN",
     .label = "TXPGA1GNS", .digits = 2, .entries = 4, .beyond = TBeyond::Last,
     .texts = kPgaGain, .textCount = Count(kPgaGain)},
    {.field = F::AdcIVR1ST, .kind = K::Pictures, .group = "Switches", .title = "VR1ST",
     .setPictures = {"VR1STon"}, .clearPictures = {"VR1SToff"}},
    {.field = F::AdcIENAD1, .kind = K::Panel, .group = "Result", .panel = "PENAD1",
     .caption = "ENAD1", .hook = AdcOff},
    {.field = F::AdcIAD1RST, .kind = K::Panel, .group = "Switches", .panel = "PAD1RST",
     .caption = "AD1RST"},
    {.field = F::ENLDO, .kind = K::Panel, .group = "VDDAX", .panel = "ENLDO", .caption = "ENLDO"},
    {.field = F::VDDAX, .kind = K::List, .group = "VDDAX", .title = "VDDAX", .list = "TXVDDAX",
     .label = "TXVDDAS1", .digits = 3, .entries = 8, .beyond = TBeyond::Keep, .shared = true,
     .hook = VddaxLabel},
    {.field = F::VDDAX, .kind = K::List, .group = "VDDAX", .title = "LDO", .list = "ENLDO1_ComboBox",
     .label = "TXLDO1", .digits = 3, .entries = 7, .beyond = TBeyond::Last, .texts = kLdo1,
     .textCount = Count(kLdo1), .hidden = true},
    {.field = F::AdcIADC1OH, .kind = K::Result, .group = "Result", .title = "ADC",
     .label = "TXADC1", .redraw = TRedraw::Always},
    {.field = F::ADCIF, .kind = K::Flag, .group = "Result", .panel = "LADIF1", .caption = "ADCIF",
     .redraw = TRedraw::Always},
};
constexpr TExtraControl kAdcTempExtras[] = {
    {"PTemp", "Temperature sensor", true}, {"TPSHP", "TEMP+ on the positive input", true},
    {"TPSHN", "TEMP- on the positive input", true}, {"TPSLP", "TEMP+ on the negative input", true},
    {"TPSLN", "TEMP- on the negative input", true},
};

// --- ADC-II window --------------------------------------------------------------------------
constexpr TBinding kAdcII[] = {
    {.field = F::AdcIIIN2P, .kind = K::Mux, .group = "Inputs", .title = "IN2P", .list = "TXIN2P",
     .button = "IN2P", .optionLabel = "LIN2P#", .options = 10, .digits = 4, .entries = 10,
     .codeFrom = TCodeFrom::Text, .listsReserved = true, .hook = TemperatureHigh},
    {.field = F::AdcIIIN2N, .kind = K::Mux, .group = "Inputs", .title = "IN2N", .list = "TXIN2N",
     .button = "IN2N", .optionLabel = "LIN2N#", .options = 10, .digits = 4, .entries = 10,
     .codeFrom = TCodeFrom::Text, .listsReserved = true, .hook = TemperatureLow},
    {.field = F::AdcIIVR2P, .kind = K::Mux, .group = "References", .title = "VR2P",
     .list = "TXVR2P", .button = "VR2P", .optionLabel = "LVR2P#", .options = 4, .digits = 2,
     .entries = 4, .codeFrom = TCodeFrom::Text},
    {.field = F::AdcIIVR2N, .kind = K::Mux, .group = "References", .title = "VR2N",
     .list = "TXVR2N", .button = "VR2N", .optionLabel = "LVR2N#", .options = 4, .digits = 2,
     .entries = 4, .codeFrom = TCodeFrom::Text},
    {.field = F::AdcIIIN2ST, .kind = K::Panel, .group = "Switches", .panel = "PINIS2",
     .caption = "IN2ST", .setPictures = {"IN2STon"}, .clearPictures = {"IN2SToff"},
     .hidden = true},
    {.field = F::AdcIICHOP2, .kind = K::Panel, .group = "Switches", .label = "TXCHOP2",
     .panel = "PCHOP2", .caption = "CHOP2", .setText = "GAIN>32", .clearText = "GAIN<=32",
     .hidden = true},
    {.field = F::INX0, .kind = K::Stepper, .group = "Inputs", .title = "INX", .list = "TXINX",
     .button = "INX", .options = 4, .digits = 2, .entries = 4, .clickable = false},
    {.field = F::AdcIIAD2GN, .kind = K::List, .group = "Gain", .title = "AD2GN",
     .list = "TXAD2GN", .label = "TXAD2GNS", .digits = 3, .entries = 8, .redraw = TRedraw::Always,
     .texts = kAd2Gain, .textCount = Count(kAd2Gain)},
    {.field = F::AdcIIVR2GN, .kind = K::Panel, .group = "Switches", .label = "TXVR2GN",
     .panel = "PVR2GN", .caption = "VR2GN", .setText = "VR2GN= x 1/2", .clearText = "VR2GN= x 1"},
    {.field = F::AdcIIDC2S, .kind = K::List, .group = "Conversion", .title = "DC2S",
     .list = "TXDC2S", .label = "TXDC2SS", .digits = 4, .entries = 16, .texts = kDc2s,
     .textCount = Count(kDc2s)},
    {.field = F::AdcIIOSR2, .kind = K::List, .group = "Conversion", .title = "OSR2",
     .list = "TXOSR2", .label = "TXOSR2S", .digits = 4, .entries = 16, .texts = kOsr2,
     .textCount = Count(kOsr2)},
    {.field = F::DADC, .kind = K::List, .group = "Conversion", .title = "DADC",
     .list = "TXDADC2", .label = "TXDADCS2", .digits = 2, .entries = 4, .texts = kDadc,
     .textCount = Count(kDadc), .hidden = true, .shared = true},
    {.field = F::AdcIIAD2HS, .kind = K::Panel, .group = "Switches", .label = "TXAD2HS",
     .panel = "PAD2HS", .caption = "AD2HS", .setText = "ADCLK>500kHz",
     .clearText = "ADCLK<500kHz", .hidden = true},
    {.field = F::AdcIIBIAS, .kind = K::Mux, .group = "References", .title = "BIAS",
     .list = "BIASIN", .button = "BIAS", .optionLabel = "BIAS#", .options = 8, .digits = 3,
     .entries = 8, .codeFrom = TCodeFrom::Text},
    {.field = F::AdcIIVR2ST, .kind = K::Pictures, .group = "Switches", .title = "VR2ST",
     .setPictures = {"VR2STon"}, .clearPictures = {"VR2SToff"}},
    {.field = F::AdcIIENAD2, .kind = K::Panel, .group = "Result", .panel = "PENAD2",
     .caption = "ENAD1", .hook = AdcOff},
    {.field = F::AdcIIAD2RST, .kind = K::Panel, .group = "Switches", .panel = "PAD2RST",
     .caption = "CMFR"},
    {.field = F::ENLDO, .kind = K::Panel, .group = "VDDAX", .panel = "ENLDO", .caption = "ENLDO",
     .hook = EnldoBranch},
    {.field = F::AdcIILDOM, .kind = K::List, .group = "VDDAX", .title = "LDO mode",
     .list = "ENLDO_ComboBox", .label = "TXLDO2", .digits = 2, .entries = 4, .texts = kLdo2,
     .textCount = Count(kLdo2)},
    {.field = F::VDDAX, .kind = K::List, .group = "VDDAX", .title = "VDDAX", .list = "TXVDDAX",
     .label = "TXVDDAS2", .digits = 3, .entries = 8, .beyond = TBeyond::Keep, .shared = true,
     .hook = VddaxLabel},
    {.field = F::AdcIIADC2OH, .kind = K::Result, .group = "Result", .title = "ADC",
     .label = "TXADC2", .redraw = TRedraw::Always},
    {.field = F::ADCIF, .kind = K::Flag, .group = "Result", .panel = "LADIF2", .caption = "ADCIF",
     .redraw = TRedraw::Always},
};

// --- multi-comparator window ------------------------------------------------------------------
constexpr TBinding kMultiCmp[] = {
    {.field = F::McMCRPS, .kind = K::Mux, .group = "Reference", .title = "MCRPS",
     .list = "TX_MCRPS", .button = "MCRPS", .optionLabel = "MCRPS#S", .options = 4, .digits = 2,
     .entries = 4, .codeFrom = TCodeFrom::Text, .redraw = kAll, .refuse = TRefuse::Position},
    {.field = F::McMCNES, .kind = K::Mux, .group = "Channels", .title = "MCNES",
     .list = "TX_MCRNS", .button = "MCL", .optionLabel = "MCL#S", .options = 8, .digits = 3,
     .entries = 8, .codeFrom = TCodeFrom::Text, .redraw = kAll, .refuse = TRefuse::Position},
    {.field = F::McMCPS, .kind = K::Mux, .group = "Inputs", .title = "MCPS", .list = "TX_MCPS",
     .button = "MCPS", .optionLabel = "MCPS#S", .options = 4, .digits = 2, .entries = 4,
     .codeFrom = TCodeFrom::Text, .redraw = kAll, .refuse = TRefuse::Position},
    {.field = F::McMCNS, .kind = K::Mux, .group = "Inputs", .title = "MCNS", .list = "TX_MCNS",
     .button = "MCNS", .optionLabel = "MCNS#S", .options = 4, .digits = 2, .entries = 4,
     .codeFrom = TCodeFrom::Text, .redraw = kAll, .refuse = TRefuse::Position},
    {.field = F::McENMC, .kind = K::Panel, .group = "Control", .panel = "P_ENMC",
     .caption = "ENMC", .redraw = kAll},
    {.field = F::McMCLP, .kind = K::Panel, .group = "Control", .panel = "P_MCLP",
     .caption = "MCLP", .redraw = kAll},
    {.field = F::McMCSR, .kind = K::Panel, .group = "Control", .panel = "P_MCSR",
     .caption = "MCSR", .redraw = kAll},
    {.field = F::McMCSPN, .kind = K::Pictures, .group = "Control", .title = "MCSPN",
     .redraw = kAll, .setPictures = {"MCSPNon"}, .clearPictures = {"MCSPNoff"}},
    {.field = F::McMCNEC, .kind = K::Panel, .group = "Control", .panel = "P_MCNEC",
     .caption = "MCNEC", .redraw = kAll},
    {.field = F::McMCOFR, .kind = K::Panel, .group = "Control", .panel = "P_MCOFR",
     .caption = "MCOFR", .redraw = kAll},
    {.field = F::McMCOIV, .kind = K::Panel, .group = "Control", .panel = "P_MCOIV",
     .caption = "MCOIV", .redraw = kAll},
    {.field = F::McMCOHS, .kind = K::List, .group = "Timing", .title = "MCOHS",
     .list = "TX_MCOHS", .digits = 4, .entries = 16, .redraw = kAll},
    {.field = F::McMCRS, .kind = K::List, .group = "Timing", .title = "MCRS", .list = "TX_MCRS",
     .digits = 4, .entries = 16, .redraw = kAll},
};
constexpr TExtraControl kMultiCmpExtras[] = {
    {"MCH0S", "MCH0"}, {"DTMB_CKS", "DTMB_CK"}, {"MCOIFS", "MCOIF"},
};

template <std::size_t N>
constexpr int Size(const TBinding (&)[N]) {
  return static_cast<int>(N);
}
template <std::size_t N>
constexpr int Size(const TExtraControl (&)[N]) {
  return static_cast<int>(N);
}

const TPeripheralTable kTables[kPeripheralKindCount] = {
    {.formName = "ADCForm", .caption = "ADC", .bindings = kAdc, .count = Size(kAdc),
     .vddaNames = TVddaNames::Adc, .vddax = F::AdcVDDAX, .vddaLabels = {"TXVDDAS"},
     .modeList = "TXADCOMD", .widthList = "TXADCObit", .readButton = "BRDADC",
     .extras = kAdcExtras, .extraCount = Size(kAdcExtras)},
    {.formName = "OPForm", .caption = "OP", .bindings = kOp, .count = Size(kOp),
     .vddaNames = TVddaNames::Op, .vddax = F::OpVDDAX, .vddaLabels = {"TXVDDAS"}},
    {.formName = "CMPForm", .caption = "Comparator", .bindings = kCmp, .count = Size(kCmp),
     .vddaNames = TVddaNames::Cmp, .vddax = F::CmpVDDAX, .vddaLabels = {"TXVDDAS", "TXVDDAS1"},
     .extras = kCmpExtras, .extraCount = Size(kCmpExtras), .afterRefresh = ComparatorOutputs},
    {.formName = "ADCIForm", .caption = "ADCIForm", .bindings = kAdcI, .count = Size(kAdcI),
     .vddaNames = TVddaNames::Adc, .vddax = F::VDDAX, .vddaLabels = {"TXVDDAS1"},
     .modeList = "TXADCOMD1", .widthList = "TXADCO1bit", .readButton = "BRDADC1",
     .extras = kAdcTempExtras, .extraCount = Size(kAdcTempExtras)},
    {.formName = "ADCIIForm", .caption = "ADCIIForm", .bindings = kAdcII, .count = Size(kAdcII),
     .vddaNames = TVddaNames::Adc, .vddax = F::VDDAX, .vddaLabels = {"TXVDDAS2"},
     .modeList = "TXADCOMD2", .widthList = "TXADCO2bit", .readButton = "BRDADC2",
     .extras = kAdcTempExtras, .extraCount = Size(kAdcTempExtras)},
    {.formName = "MultiCMPForm", .caption = "Multi Comparator", .bindings = kMultiCmp,
     .count = Size(kMultiCmp), .extras = kMultiCmpExtras, .extraCount = Size(kMultiCmpExtras)},
};

// --- chip set-up of the ADC windows ----------------------------------------------------------
constexpr const char* kInxButtons[] = {"INX00", "INX01", "INX10", "INX11"};
constexpr const char* kAdcInputControls[] = {
    "INX00",      "INX01",      "INX10",     "INX11",     "VERBUFFon0", "VERBUFFon1",
    "VERBUFFoff0", "VERBUFFoff1", "PADCCK",   "ADCCKup",   "ADCCKdown",  "INBUFFon0",
    "INBUFFon1",  "INBUFFoff0", "INBUFFoff1", "TXPGAGN",  "TXPGAGNS",   "TXINX",
    "PINBUFF",    "PVERBUFF"};
constexpr const char* kLdoList[] = {"ENLDO_ComboBox"};

using C = TChipCase;
using S = TSetupStep;
using W = TPeripheralKind;
constexpr TSetupLine kSetup[] = {
    {C::AdcIFamily, W::AdcI, S::Caption, "ADCI"},
    {C::AdcIFamily, W::AdcI, S::Hide, nullptr, kInxButtons, Count(kInxButtons)},
    {C::AdcIFamily, W::Adc, S::ListCodes, "TXDCSET", nullptr, 0, 16, 4},
    {C::AdcIFamily, W::Adc, S::Show, nullptr, kLdoList, Count(kLdoList)},
    {C::AdcFamily, W::Adc, S::Caption, "ADC"},
    {C::AdcFamily, W::Adc, S::Show, nullptr, kAdcInputControls, Count(kAdcInputControls)},
    {C::AdcFamily, W::Adc, S::ListCodes, "TXDCSET", nullptr, 0, 8, 3},
    {C::AdcFamily, W::Adc, S::Hide, nullptr, kLdoList, Count(kLdoList)},
};

}  // namespace

const TPeripheralTable& PeripheralTable(TPeripheralKind kind) {
  return kTables[static_cast<int>(kind)];
}

std::span<const TSetupLine> ChipSetupLines() { return kSetup; }

bool ChipCaseHolds(TChipCase c) {
  const TChipConfig& chip = Chip();
  switch (c) {
    case TChipCase::AdcIFamily:
      return chip.DeviceNotKind3 == 1 && (chip.AdcCount == 1 || chip.AdcCount == 3);
    case TChipCase::AdcFamily: return chip.DeviceNotKind3 != 1;
  }
  return false;
}

}  // namespace kyvor
