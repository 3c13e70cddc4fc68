#pragma once
// Proxies of the scope component's published classes. Each class mirrors the
// component class of the same name without the leading C; each line in a
// class body is one published member, so adding a member is adding a line.
#include "bridge/binding.h"

// A catalogue class: its base, where its own methods live, its constructors.
#define HX_CLASS(Name, Base, Where)                                             \
    class Name : public Base {                                                  \
    public:                                                                     \
        using Self = Name;                                                      \
        HX_PROXY_CONSTRUCTORS(Name, Base)                                       \
        ::qv::bridge::Entry ResolveMethod(const char* m) override {             \
            if (auto e = ::qv::bridge::lookIn(::qv::bridge::Lookup::Where, m)) \
                return e;                                                       \
            return Base::ResolveMethod(m);                                      \
        }
#define HX_END };

// Members: a value, an enumeration, an embedded or heap sub-object, one
// reached through a getter method, access properties over methods, events.
#define HX_PROP(T, N) ::qv::bridge::CHXProperty<T> N{this, #N};
#define HX_SET_PROP(E, Lo, Hi, N) ::qv::bridge::CHXProperty<::qv::bridge::CTSet<E, Lo, Hi>> N{this, #N};
#define HX_ENUM(E, N) ::qv::bridge::CHXEnumProperty<E> N{this, #N};
#define HX_MEMBER(T, N) T N{this, #N};
#define HX_HEAP(T, N) ::qv::bridge::Heap<T> N{this, #N};
#define HX_VIA(T, N, Getter)                                                                   \
    ::qv::bridge::Heap<T> N{this, +[](::qv::bridge::CHXBaseClass* o) -> ::qv::bridge::Reference { \
                               return static_cast<Self*>(o)->Getter();                        \
                           }};
#define HX_ACCESS(T, N, Get, Set) ::qv::bridge::CHXAccessProperty<Self, T> N{this, &Self::Get, &Self::Set};
#define HX_READ(T, N, Get) ::qv::bridge::CHXReadAccessProperty<Self, T> N{this, &Self::Get};
#define HX_EVENT(Argc, N, ...) ::qv::bridge::CHXEventProperty<Argc, 0, void, __VA_ARGS__> N{this, #N};
#define HX_PINS(N) ::qv::bridge::CTLWPinListProperty N{this, #N};

// A collection template: asks only its root, like the generic templates.
#define HX_COLLECTION_TEMPLATE(Name, Base)       \
    template <class T>                           \
    class Name : public Base<T> {                \
    public:                                      \
        HX_PROXY_CONSTRUCTORS(Name, Base<T>)     \
    };

namespace qv::bridge::tz {

using ::qv::bridge::CHXClassProperty;
using ::qv::bridge::CHXCollectionProperty;
using ::qv::bridge::CHXComponentCollectionBase;
using ::qv::bridge::CStringT;
using ::qv::bridge::CTSet;
using Sender = ::qv::bridge::CHXBaseClass*;

// ---- enumerations and structures of the signatures ---------------------------

enum class CTFontPitch { fpDefault, fpVariable, fpFixed };
enum class CTFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
enum class CTPenMode { pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot,
                       pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor };
enum class CTPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum class CTShiftStateItems { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
enum class CTMouseButton { mbLeft, mbRight, mbMiddle };
using CTShiftState = CTSet<CTShiftStateItems, 0, 6>;

enum class CTTZCoordinateMode { cmAbsolute, cmRelative };
enum class CTTZPrecisionMode { pmAuto, pmFixed, pmSignificant };
enum class CTTZScopeChannelMode { cmLine, cmPoint, cmBar };
enum class CTTZScopePointsShape { psDot, psCircle, psSquare, psTriangle, psCross };
enum class CTTZChannelShadeMode { smNone, smBelow, smAbove };
enum class CTTZViewAlign { vaTop, vaBottom, vaLeft, vaRight };
enum class CTTZMajorTicksMode { tmAuto, tmStep, tmCount };
enum class CTTZScaleMode { smLinear, smLogarithmic };
enum class CTTZToolBarHostView { hvNone, hvTitle, hvDataView };
enum class CTTZMaxAxisMode { maValue, maSamples };
enum class CTTZDisplayAxisTicksMode { tmSamples, tmUnits };
enum class CTTZDisplayNavigateMode { nmNone, nmPan, nmZoom };
enum class CTTZDisplayZoomMode { zmBoth, zmHorizontal, zmVertical };
enum class CTTZZoomOperation { zoIn, zoOut, zoOff, zoUndo, zoRedo };

struct CTTZRealPoint { double X = 0, Y = 0; };
struct CTTZRealRanges { double XMin = 0, XMax = 0, YMin = 0, YMax = 0; };
struct tagPOINT { int x = 0, y = 0; };

// ---- fonts, pens, brushes, offsets ---------------------------------------------

HX_CLASS(CTFont, CHXClassProperty, None)
    HX_PROP(unsigned char, Charset)
    HX_PROP(unsigned int, Color)
    HX_PROP(int, Height)
    HX_PROP(CStringT, Name)
    HX_PROP(CTFontPitch, Pitch)
    HX_PROP(int, Size)
    HX_SET_PROP(CTFontStyle, 0, 3, Style)
HX_END

HX_CLASS(CTPen, CHXClassProperty, None)
    HX_PROP(unsigned int, Color)
    HX_PROP(CTPenMode, Mode)
    HX_PROP(CTPenStyle, Style)
    HX_PROP(int, Width)
HX_END

HX_CLASS(CTTZDisplayBrush, CHXClassProperty, Basic)
    HX_METHOD(unsigned int, GetColor, "@Tzfiltertypes@TTZDisplayBrush@GetColor$qqrv", ())
    HX_METHOD(void, SetColor, "@Tzfiltertypes@TTZDisplayBrush@SetColor$qqr15Graphics@TColor", (unsigned int v), v)
    HX_METHOD(unsigned char, GetStyle, "@Tzfiltertypes@TTZDisplayBrush@GetStyle$qqrv", ())
    HX_METHOD(void, SetStyle, "@Tzfiltertypes@TTZDisplayBrush@SetStyle$qqr20Graphics@TBrushStyle", (unsigned char v), v)
    HX_ACCESS(unsigned int, Color, GetColor, SetColor)
    HX_ACCESS(unsigned char, Style, GetStyle, SetStyle)
HX_END

HX_CLASS(CTTZOffset, CHXClassProperty, Basic)
    HX_PROP(int, X)
    HX_PROP(int, Y)
HX_END
HX_CLASS(CTTZCoordinateOffset, CTTZOffset, Basic)
    HX_ENUM(CTTZCoordinateMode, Mode)
HX_END
HX_CLASS(CTTZToolBarPosition, CTTZCoordinateOffset, ScopeThenBasic)
HX_END

// ---- generic display parts --------------------------------------------------------

HX_CLASS(CTTZDisplayPersistent, CHXClassProperty, Scope)
HX_END
HX_CLASS(CTTZDisplayProperty, CHXClassProperty, Scope)
HX_END
HX_CLASS(CTTZVisibleDisplayProperty, CTTZDisplayProperty, Scope)
    HX_PROP(bool, Visible)
HX_END
HX_CLASS(CTTZDisplayGridLineSettings, CTTZVisibleDisplayProperty, Scope)
    HX_PROP(unsigned int, Color)
    HX_PROP(int, Width)
    HX_PROP(CTPenStyle, Style)
HX_END
HX_CLASS(CTTZDisplayGridDirectionalLinesSettings, CTTZDisplayProperty, Scope)
    HX_MEMBER(CTTZDisplayGridLineSettings, MajorLines)
    HX_MEMBER(CTTZDisplayGridLineSettings, MinorLines)
HX_END
HX_CLASS(CTTZDisplayComponent, CHXClassProperty, Scope)
HX_END
HX_CLASS(CTTZDisplayOptionalValue, CTTZDisplayPersistent, Scope)
    HX_PROP(bool, Enabled)
    HX_PROP(double, Value)
HX_END
HX_CLASS(CTTZDisplayValueRange, CHXClassProperty, Scope)
    HX_PROP(bool, Enabled)
    HX_PROP(double, Low)
    HX_PROP(double, High)
HX_END

// ---- views ----------------------------------------------------------------------------

HX_CLASS(CTTZDisplayViewSize, CHXClassProperty, Scope)
    HX_PROP(int, Size)
    HX_PROP(bool, AutoSize)
HX_END
HX_CLASS(CTTZDisplayViewBackground, CHXClassProperty, Scope)
    HX_PROP(unsigned int, Color)
    HX_PROP(bool, UseControlColor)
HX_END
HX_CLASS(CTTZDisplayView, CTTZDisplayComponent, Scope)
    HX_METHOD(int, GetLeftProp, "@Tzscope@TTZDisplayView@GetLeftProp$qqrv", ())
    HX_METHOD(int, GetTopProp, "@Tzscope@TTZDisplayView@GetTopProp$qqrv", ())
    HX_METHOD(int, GetWidthProp, "@Tzscope@TTZDisplayView@GetWidthProp$qqrv", ())
    HX_METHOD(int, GetHeightProp, "@Tzscope@TTZDisplayView@GetHeightProp$qqrv", ())
    HX_READ(int, LeftProp, GetLeftProp)
    HX_READ(int, TopProp, GetTopProp)
    HX_READ(int, WidthProp, GetWidthProp)
    HX_READ(int, HeightProp, GetHeightProp)
HX_END
HX_CLASS(CTTZCustomColorDisplayView, CTTZDisplayView, Scope)
    HX_MEMBER(CTTZDisplayViewBackground, Background)
HX_END
HX_CLASS(CTTZCustomSizeDisplayView, CTTZCustomColorDisplayView, Scope)
    HX_MEMBER(CTTZDisplayViewSize, ViewSize)
    HX_ENUM(CTTZViewAlign, Align)
HX_END
HX_CLASS(CTTZOptionalView, CTTZCustomSizeDisplayView, Scope)
    HX_PROP(bool, Visible)
HX_END
HX_CLASS(CTTZDisplayTitle, CTTZOptionalView, Scope)
    HX_MEMBER(CTFont, Font)
    HX_PROP(CStringT, Text)
HX_END
HX_CLASS(CTTZScopeDataView, CTTZCustomColorDisplayView, Scope)
    HX_MEMBER(CTPen, Border)
HX_END

// ---- labels ----------------------------------------------------------------------------

HX_CLASS(CTTZBasicOptionalLabel, CHXClassProperty, Basic)
    HX_MEMBER(CTFont, Font)
    HX_PROP(bool, Visible)
HX_END
HX_CLASS(CTTZOptionalLabel, CTTZBasicOptionalLabel, Basic)
    HX_PROP(CStringT, Text)
HX_END
HX_CLASS(CTTZDisplayLabel, CTTZOptionalLabel, ScopeThenBasic)
HX_END
HX_CLASS(CTTZDisplayTitleLabel, CTTZDisplayLabel, Scope)
HX_END

// ---- legend -------------------------------------------------------------------------------

HX_CLASS(CTTZViewButtonSettings, CHXClassProperty, Scope)
    HX_PROP(bool, Visible)
    HX_PROP(unsigned int, Color)
HX_END
HX_CLASS(CTTZLegendViewButtonSettings, CTTZViewButtonSettings, Scope)
HX_END
HX_CLASS(CTTZBasicLegendGroup, CHXClassProperty, Scope)
    HX_EVENT(3, OnItemClick, Sender, int, int)
    HX_PROP(CStringT, Caption)
    HX_PROP(bool, Visible)
    HX_PROP(int, Cursor)
HX_END
HX_CLASS(CTTZLegendGroup, CTTZBasicLegendGroup, Scope)
HX_END
HX_CLASS(CTTZLegendGroupCollectionItem, CHXClassProperty, Scope)
    HX_MEMBER(CTTZLegendGroup, Group)
HX_END
HX_CLASS(CTTZLegendGroupCollection, CHXCollectionProperty<CTTZLegendGroupCollectionItem>, Scope)
HX_END
HX_CLASS(CTTZLegendView, CTTZOptionalView, Scope)
    HX_MEMBER(CTTZLegendViewButtonSettings, ButtonSettings)
HX_END
HX_CLASS(CTTZScopeLegendView, CTTZLegendView, Scope)
    HX_MEMBER(CTTZLegendGroup, Channels)
    HX_MEMBER(CTTZLegendGroup, ChannelLinks)
    HX_MEMBER(CTTZLegendGroup, MarkerGroups)
    HX_MEMBER(CTTZLegendGroup, Zones)
    HX_MEMBER(CTTZLegendGroup, Ellipses)
    HX_MEMBER(CTTZLegendGroup, Cursors)
    HX_MEMBER(CTTZLegendGroup, CursorLinks)
    HX_MEMBER(CTTZLegendGroupCollection, CustomGroups)
HX_END

// ---- tool bars ---------------------------------------------------------------------------

HX_CLASS(CTTZDisplayToolBarButton, CHXClassProperty, Scope)
    HX_EVENT(1, OnClick, Sender)
    HX_PROP(bool, Visible)
HX_END
HX_CLASS(CTTZDisplayToolBarButtons, CHXClassProperty, Scope)
    HX_MEMBER(CTTZDisplayToolBarButton, Setup)
    HX_MEMBER(CTTZDisplayToolBarButton, Hold)
    HX_MEMBER(CTTZDisplayToolBarButton, ZoomOff)
    HX_MEMBER(CTTZDisplayToolBarButton, ZoomPrevious)
    HX_MEMBER(CTTZDisplayToolBarButton, ZoomNext)
    HX_MEMBER(CTTZDisplayToolBarButton, ZoomIn)
    HX_MEMBER(CTTZDisplayToolBarButton, ZoomOut)
    HX_MEMBER(CTTZDisplayToolBarButton, ZoomMode)
    HX_MEMBER(CTTZDisplayToolBarButton, XYZoomOn)
    HX_MEMBER(CTTZDisplayToolBarButton, Copy)
    HX_MEMBER(CTTZDisplayToolBarButton, Print)
    HX_MEMBER(CTTZDisplayToolBarButton, Save)
HX_END
HX_CLASS(CTTZAxisToolBarButtons, CHXClassProperty, Scope)
    HX_MEMBER(CTTZDisplayToolBarButton, ZoomIn)
    HX_MEMBER(CTTZDisplayToolBarButton, ZoomOut)
    HX_MEMBER(CTTZDisplayToolBarButton, ZoomOff)
HX_END
HX_CLASS(CTTZBasicDisplayToolBar, CTTZDisplayComponent, Scope)
    HX_PROP(bool, Visible)
    HX_MEMBER(CTTZToolBarPosition, Position)
    HX_ENUM(CTTZToolBarHostView, Host)
HX_END
HX_CLASS(CTTZDisplayToolBar, CTTZBasicDisplayToolBar, Scope)
    HX_MEMBER(CTTZDisplayToolBarButtons, Buttons)
HX_END
HX_CLASS(CTTZAxisToolBar, CTTZBasicDisplayToolBar, Scope)
    HX_MEMBER(CTTZAxisToolBarButtons, Buttons)
HX_END

// ---- ticks, formats, axis values, zooming ---------------------------------------------

HX_CLASS(CTTZMajorTicksParam, CHXClassProperty, Scope)
    HX_ENUM(CTTZMajorTicksMode, Mode)
    HX_PROP(double, Step)
HX_END
HX_CLASS(CTTZMajorTicks, CTTZMajorTicksParam, Scope)
    HX_PROP(bool, Visible)
    HX_PROP(int, Length)
    HX_PROP(unsigned int, Color)
HX_END
HX_CLASS(CTTZTicksStart, CTTZMajorTicksParam, Scope)
    HX_PROP(double, Value)
HX_END
HX_CLASS(CTTZMinorTicks, CHXClassProperty, Scope)
    HX_PROP(bool, Visible)
    HX_PROP(int, Count)
    HX_PROP(int, Length)
HX_END
HX_CLASS(CTTZAxisFormat, CHXClassProperty, Scope)
    HX_ENUM(CTTZPrecisionMode, PrecisionMode)
    HX_PROP(int, Precision)
    HX_PROP(bool, FixedPrecision)
HX_END
HX_CLASS(CTTZBasicAxisValue, CHXClassProperty, Scope)
    HX_PROP(bool, AutoScale)
    HX_PROP(double, Value)
HX_END
HX_CLASS(CTTZBasicScopeAxisValue, CTTZBasicAxisValue, Scope)
    HX_MEMBER(CTTZDisplayValueRange, Range)
    HX_PROP(double, DataValue)
HX_END
HX_CLASS(CTTZScopeAxisValue, CTTZBasicScopeAxisValue, Scope)
HX_END
HX_CLASS(CTTZMaxScopeAxisValue, CTTZScopeAxisValue, Scope)
    HX_ENUM(CTTZMaxAxisMode, Mode)
HX_END
HX_CLASS(CTTZScopeAutoScalingSpace, CHXClassProperty, Scope)
    HX_PROP(bool, Enabled)
    HX_PROP(double, Value)
HX_END
HX_CLASS(CTTZScopeAutoScaling, CHXClassProperty, Scope)
    HX_MEMBER(CTTZScopeAutoScalingSpace, SpaceAbove)
    HX_MEMBER(CTTZScopeAutoScalingSpace, SpaceBelow)
    HX_PROP(bool, Enabled)
    HX_PROP(int, MaxHistory)
HX_END
HX_CLASS(CTTZDisplayAxisCursorSettings, CHXClassProperty, Scope)
    HX_PROP(bool, Visible)
    HX_PROP(unsigned int, Color)
HX_END
HX_CLASS(CTTZDisplayAxisZoom, CTTZDisplayPersistent, Scope)
    HX_PROP(bool, Enabled)
    HX_METHOD(double, GetMin, "@Tzscope@TTZDisplayAxisZoom@GetMin$qqrv", ())
    HX_METHOD(double, GetMax, "@Tzscope@TTZDisplayAxisZoom@GetMax$qqrv", ())
    HX_METHOD(bool, GetIsZoomed, "@Tzscope@TTZDisplayAxisZoom@GetIsZoomed$qqrv", ())
    HX_READ(double, Min, GetMin)
    HX_READ(double, Max, GetMax)
    HX_READ(bool, IsZoomed, GetIsZoomed)
HX_END
HX_CLASS(CTTZDisplayZoom, CTTZDisplayPersistent, Scope)
    HX_PROP(bool, MouseZoom)
    HX_PROP(bool, KeyboardZoom)
    HX_PROP(unsigned int, SelectionColor)
    HX_PROP(bool, MouseWheelEnabled)
    HX_PROP(bool, HoldOnZoom)
    HX_PROP(bool, HoldOnPan)
    HX_ENUM(CTTZDisplayZoomMode, Mode)
    HX_METHOD(double, GetXMin, "@Tzscope@TTZDisplayZoom@GetXMin$qqrv", ())
    HX_METHOD(double, GetXMax, "@Tzscope@TTZDisplayZoom@GetXMax$qqrv", ())
    HX_METHOD(double, GetYMin, "@Tzscope@TTZDisplayZoom@GetYMin$qqrv", ())
    HX_METHOD(double, GetYMax, "@Tzscope@TTZDisplayZoom@GetYMax$qqrv", ())
    HX_METHOD(bool, GetIsZoomed, "@Tzscope@TTZDisplayZoom@GetIsZoomed$qqrv", ())
    HX_READ(double, XMin, GetXMin)
    HX_READ(double, XMax, GetXMax)
    HX_READ(double, YMin, GetYMin)
    HX_READ(double, YMax, GetYMax)
    HX_READ(bool, IsZoomed, GetIsZoomed)
HX_END
HX_CLASS(CTTZScopeXAxisUnitScale, CHXClassProperty, Scope)
    HX_ENUM(CTTZScaleMode, Mode)
    HX_PROP(double, Factor)
HX_END
HX_CLASS(CTTZScopeMaxSample, CHXClassProperty, Scope)
    HX_PROP(bool, Enabled)
    HX_PROP(int, Value)
HX_END
HX_CLASS(CTTZAssociatedChannelLinkList, CHXClassProperty, Scope)
    HX_METHOD(int, GetCount, "@Tzscope@TTZAssociatedChannelLinkList@GetCount$qqrv", ())
    HX_READ(int, Count, GetCount)
HX_END

// ---- axes -----------------------------------------------------------------------------------

HX_CLASS(CTTZOptionalAxis, CTTZOptionalView, Scope)
HX_END
HX_CLASS(CTTZTrackingOptionalAxis, CTTZOptionalAxis, Scope)
    HX_EVENT(3, OnCustomStep, Sender, double, double&)
    HX_MEMBER(CTTZMinorTicks, MinorTicks)
    HX_MEMBER(CTTZMajorTicks, MajorTicks)
    HX_PROP(bool, TrackCursor)
    HX_PROP(bool, TrackColor)
HX_END
HX_CLASS(CTTZDisplayAxis, CTTZTrackingOptionalAxis, Scope)
    HX_EVENT(3, OnCustomLabel, Sender, double, CStringT&)
    HX_MEMBER(CTTZAxisFormat, Format)
    HX_MEMBER(CTFont, Font)
    HX_MEMBER(CTTZAxisToolBar, ToolBar)
    HX_MEMBER(CTTZDisplayToolBarButton, Button)
    HX_MEMBER(CTTZDisplayTitleLabel, AxisLabel)
    HX_PROP(unsigned int, Color)
    HX_METHOD(double, GetCurrentMin, "@Tzscope@TTZDisplayAxis@GetCurrentMin$qqrv", ())
    HX_METHOD(double, GetCurrentMax, "@Tzscope@TTZDisplayAxis@GetCurrentMax$qqrv", ())
    HX_METHOD(::qv::bridge::Reference, GetVC_AssociatedChannels, "@Tzscope@TTZDisplayAxis@GetVC_AssociatedChannels$qqrv", ())
    HX_READ(double, CurrentMin, GetCurrentMin)
    HX_READ(double, CurrentMax, GetCurrentMax)
    HX_VIA(CTTZAssociatedChannelLinkList, AssociatedChannels, GetVC_AssociatedChannels)
HX_END
HX_CLASS(CTTZBasicDisplayXAxis, CTTZDisplayAxis, Scope)
    HX_METHOD(int, GetVC_Samples, "@Tzscope@TTZBasicDisplayXAxis@GetVC_Samples$qqrv", ())
    HX_READ(int, Samples, GetVC_Samples)
HX_END
HX_CLASS(CTTZBasicDisplayYAxis, CTTZDisplayAxis, Scope)
HX_END
HX_CLASS(CTTZDisplayXAxis, CTTZBasicDisplayXAxis, Scope)
HX_END
HX_CLASS(CTTZDisplayYAxis, CTTZBasicDisplayYAxis, Scope)
HX_END
HX_CLASS(CTTZBasicScopeXAxis, CTTZDisplayXAxis, Scope)
    HX_MEMBER(CTTZDisplayAxisCursorSettings, CursorSettings)
    HX_MEMBER(CTTZScopeXAxisUnitScale, UnitScale)
    HX_MEMBER(CTTZScopeAxisValue, Min)
    HX_MEMBER(CTTZMaxScopeAxisValue, Max)
    HX_MEMBER(CTTZScopeMaxSample, MaxSample)
    HX_MEMBER(CTTZDisplayAxisZoom, Zooming)
    HX_MEMBER(CTTZDisplayGridDirectionalLinesSettings, DataView)
    HX_ENUM(CTTZDisplayAxisTicksMode, TicksMode)
HX_END
HX_CLASS(CTTZBasicScopeYAxis, CTTZDisplayYAxis, Scope)
    HX_MEMBER(CTTZBasicScopeAxisValue, Min)
    HX_MEMBER(CTTZBasicScopeAxisValue, Max)
    HX_MEMBER(CTTZScopeAutoScaling, AutoScaling)
    HX_MEMBER(CTTZDisplayAxisCursorSettings, CursorSettings)
    HX_MEMBER(CTTZDisplayAxisZoom, Zooming)
    HX_MEMBER(CTTZDisplayGridDirectionalLinesSettings, DataView)
    HX_PROP(bool, Reversed)
HX_END
HX_CLASS(CTTZAdditionalScopeYAxis, CTTZBasicScopeYAxis, Scope)
HX_END
HX_CLASS(CTTZScopeYAxesCollectionItem, CHXClassProperty, Scope)
    HX_MEMBER(CTTZAdditionalScopeYAxis, Axis)
HX_END
HX_CLASS(CTTZScopeYAxesCollection, CHXCollectionProperty<CTTZScopeYAxesCollectionItem>, Scope)
HX_END
HX_CLASS(CTTZScopeYAxis, CTTZBasicScopeYAxis, Scope)
    HX_MEMBER(CTTZScopeYAxesCollection, AdditionalAxes)
HX_END
HX_CLASS(CTTZScopeXAxesCollectionItem, CHXClassProperty, Scope)
    HX_MEMBER(CTTZBasicScopeXAxis, Axis)
HX_END
HX_CLASS(CTTZScopeXAxesCollection, CHXCollectionProperty<CTTZScopeXAxesCollectionItem>, Scope)
HX_END
HX_CLASS(CTTZScopeXAxis, CTTZBasicScopeXAxis, Scope)
    HX_MEMBER(CTTZScopeXAxesCollection, AdditionalAxes)
HX_END

// ---- collection items and collections ----------------------------------------------------

HX_CLASS(CTTZDisplayCollectionItem, CHXClassProperty, Scope)
    HX_PROP(CStringT, Name)
    HX_PROP(int, Tag)
HX_END
HX_CLASS(CTTZOptionalDisplayCollectionItem, CTTZDisplayCollectionItem, Scope)
    HX_PROP(bool, Visible)
HX_END
HX_CLASS(CTTZScopeMarkerGroup, CTTZOptionalDisplayCollectionItem, Scope)
HX_END
HX_CLASS(CTTZDisplayZone, CTTZOptionalDisplayCollectionItem, Scope)
    HX_PROP(unsigned int, Color)
HX_END
HX_CLASS(CTTZDisplayEllipticZone, CTTZOptionalDisplayCollectionItem, Scope)
    HX_PROP(unsigned int, Color)
HX_END
HX_CLASS(CTTZScopeChannelMarker, CTTZDisplayCollectionItem, Scope)
    HX_PROP(int, Sample)
HX_END
HX_CLASS(CTTZDisplayCursorLink, CTTZDisplayCollectionItem, Scope)
HX_END
HX_CLASS(CTTZDisplayChannelLink, CTTZOptionalDisplayCollectionItem, Scope)
HX_END
HX_CLASS(CTTZDisplayCursor, CTTZOptionalDisplayCollectionItem, Scope)
    HX_PROP(double, Position)
HX_END

HX_COLLECTION_TEMPLATE(CTTZDisplayCollection, CHXCollectionProperty)
HX_COLLECTION_TEMPLATE(CTTZOptionalDisplayCollection, CTTZDisplayCollection)
HX_COLLECTION_TEMPLATE(CTTZBasicDisplayZones, CTTZOptionalDisplayCollection)
HX_COLLECTION_TEMPLATE(CTTZDisplayChannels, CTTZOptionalDisplayCollection)

HX_CLASS(CTTZScopeMarkerGroups, CTTZOptionalDisplayCollection<CTTZScopeMarkerGroup>, Scope)
HX_END
HX_CLASS(CTTZDisplayZones, CTTZBasicDisplayZones<CTTZDisplayZone>, Scope)
HX_END
HX_CLASS(CTTZDisplayEllipticZones, CTTZBasicDisplayZones<CTTZDisplayEllipticZone>, Scope)
HX_END
HX_CLASS(CTTZScopeChannelMarkers, CTTZDisplayCollection<CTTZScopeChannelMarker>, Scope)
HX_END
HX_CLASS(CTTZDisplayCursorLinks, CTTZDisplayCollection<CTTZDisplayCursorLink>, Scope)
HX_END
HX_CLASS(CTTZDisplayChannelLinks, CTTZOptionalDisplayCollection<CTTZDisplayChannelLink>, Scope)
HX_END
HX_CLASS(CTTZDisplayCursors, CTTZOptionalDisplayCollection<CTTZDisplayCursor>, Scope)
HX_END

// ---- channels ---------------------------------------------------------------------------------

HX_CLASS(CTTZScopePoints, CHXClassProperty, Scope)
    HX_MEMBER(CTTZDisplayBrush, Brush)
    HX_MEMBER(CTPen, Pen)
    HX_PROP(bool, Visible)
    HX_ENUM(CTTZScopePointsShape, Shape)
    HX_PROP(int, Size)
    HX_PROP(bool, UseChannelColor)
HX_END

// A channel's data buffer, reached through the channel's getter.
HX_CLASS(CTTZChannelData, CHXClassProperty, Scope)
    HX_METHOD(void, SetYData, "@Tzscope@TTZChannelData@SetYData$qqrpfui", (const float* values, unsigned int count), values, count)
    HX_METHOD(void, Clear, "@Tzscope@TTZChannelData@Clear$qqrv", ())
    HX_METHOD(double, GetSampleRate, "@Tzscope@TTZChannelData@GetSampleRate$qqrv", ())
    HX_METHOD(void, SetSampleRate, "@Tzscope@TTZChannelData@SetSampleRate$qqrd", (double rate), rate)
    HX_ACCESS(double, SampleRate, GetSampleRate, SetSampleRate)
HX_END

HX_CLASS(CTTZDisplayChannel, CTTZOptionalDisplayCollectionItem, Scope)
    HX_HEAP(CTTZScopePoints, Points)
    HX_PROP(unsigned int, Color)
    HX_PROP(int, Width)
    HX_ENUM(CTTZScopeChannelMode, ChannelMode)
    HX_METHOD(int, GetXAxisIndex, "@Tzscope@TTZDisplayChannel@GetXAxisIndex$qqrv", ())
    HX_METHOD(void, SetXAxisIndex, "@Tzscope@TTZDisplayChannel@SetXAxisIndex$qqri", (int index), index)
    HX_METHOD(int, GetYAxisIndex, "@Tzscope@TTZDisplayChannel@GetYAxisIndex$qqrv", ())
    HX_METHOD(void, SetYAxisIndex, "@Tzscope@TTZDisplayChannel@SetYAxisIndex$qqri", (int index), index)
    HX_ACCESS(int, XAxisIndex, GetXAxisIndex, SetXAxisIndex)
    HX_ACCESS(int, YAxisIndex, GetYAxisIndex, SetYAxisIndex)
HX_END

HX_CLASS(CTTZScopeChannel, CTTZDisplayChannel, Scope)
    HX_EVENT(6, OnSampleDraw, Sender, double, double, void*&, bool, bool&)
    HX_EVENT(5, OnChannelDraw, Sender, int, double*, int, bool)
    HX_METHOD(::qv::bridge::Reference, GetVC_DrawMarkers, "@Tzscope@TTZScopeChannel@GetVC_DrawMarkers$qqrv", ())
    HX_METHOD(void, SetDrawMarkers, "@Tzscope@TTZScopeChannel@SetDrawMarkers$qqrp30Tzscope@TTZScopeChannelMarkers", (::qv::bridge::Reference markers), markers)
    HX_METHOD(::qv::bridge::Reference, GetVC_Data, "@Tzscope@TTZScopeChannel@GetVC_Data$qqrv", ())
    HX_VIA(CTTZScopeChannelMarkers, Markers, GetVC_DrawMarkers)
    HX_VIA(CTTZChannelData, Data, GetVC_Data)
    HX_ENUM(CTTZChannelShadeMode, ShadeMode)
HX_END

HX_CLASS(CTTZScopeChannels, CTTZDisplayChannels<CTTZScopeChannel>, Scope)
    HX_EVENT(1, OnClick, Sender)
HX_END

// ---- highlighting, trails, elements ----------------------------------------------------------

HX_CLASS(CTTZDisplayItemHighlighting, CTTZDisplayPersistent, Scope)
    HX_PROP(bool, Enabled)
    HX_PROP(unsigned int, Color)
HX_END
HX_CLASS(CTTZChannelItemHighlighting, CTTZDisplayItemHighlighting, Scope)
HX_END
HX_CLASS(CTTZChannelMouseHitPoint, CTTZDisplayPersistent, Scope)
    HX_PROP(bool, Enabled)
HX_END
HX_CLASS(CTTZDisplayHighlighting, CHXClassProperty, Scope)
    HX_MEMBER(CTTZChannelItemHighlighting, Channels)
    HX_MEMBER(CTTZChannelMouseHitPoint, MouseHitPoint)
HX_END
HX_CLASS(CTTZDisplayTrails, CHXClassProperty, Scope)
    HX_PROP(bool, Enabled)
    HX_PROP(int, Count)
HX_END
HX_CLASS(CTHXComponentElements, CHXComponentCollectionBase, Basic)
HX_END

// ---- the component levels -------------------------------------------------------------------

using ::qv::bridge::CHXControl;
using ::qv::bridge::Module;
using ::qv::bridge::Window;

class CTTZCustomControlItem : public CHXControl {
public:
    using Self = CTTZCustomControlItem;
    CTTZCustomControlItem() = default;
    ::qv::bridge::Entry ResolveMethod(const char* m) override;

    virtual HX_METHOD(bool, GetHasEnable, "@Tzcomponentcollection@TTZCustomControlItem@GetHasEnable$qqrv", ())
    virtual HX_METHOD(bool, GetCanDisable, "@Tzcomponentcollection@TTZCustomControlItem@GetCanDisable$qqrv", ())
    HX_METHOD(int, GetIndex, "@Tzcomponentcollection@TTZCustomControlItem@GetIndex$qqrv", ())
    HX_METHOD(void, SetIndex, "@Tzcomponentcollection@TTZCustomControlItem@SetIndex$qqri", (int index), index)
    // Create the component as a child of another control, or of a window; a
    // null window changes nothing; a failed creation leaves no handle.
    virtual void CreateInControl(CHXControl& parent);
    virtual void CreateInWindow(Window window);

    HX_ACCESS(int, Index, GetIndex, SetIndex)

protected:
    // Each level copies the package handles it looks in; before creation its
    // lookups find nothing.
    virtual void StorePackages();
    void createInWindowAs(Window window, const char* className);
    void createInControlAs(CHXControl& parent, const char* className);
    Module basicPackage_ = 0;
};

class CTHXControlDrawLayer : public CTTZCustomControlItem {
public:
    ::qv::bridge::Entry ResolveMethod(const char* m) override;

protected:
    void StorePackages() override;
    Module layerPackage_ = 0;
};

class CTTZDataDisplay : public CTHXControlDrawLayer {
public:
    using Self = CTTZDataDisplay;
    ::qv::bridge::Entry ResolveMethod(const char* m) override;

    virtual HX_METHOD(void, Print, "@Tzscope@TTZDataDisplay@Print$qqrv", ())
    virtual HX_METHOD(void, ZoomOff, "@Tzscope@TTZDataDisplay@ZoomOff$qqrv", ())
    virtual HX_METHOD(void, ZoomBy, "@Tzscope@TTZDataDisplay@ZoomBy$qqrddo", (double x, double y, bool store), x, y, store)
    virtual HX_METHOD(void, ZoomBy, "@Tzscope@TTZDataDisplay@ZoomBy$qqrdd", (double x, double y), x, y)
    virtual HX_METHOD(void, ZoomBy, "@Tzscope@TTZDataDisplay@ZoomBy$qqrdo", (double f, bool store), f, store)
    virtual HX_METHOD(void, ZoomBy, "@Tzscope@TTZDataDisplay@ZoomBy$qqrd", (double f), f)
    virtual HX_METHOD(void, ZoomTo, "@Tzscope@TTZDataDisplay@ZoomTo$qqrddddo", (double x0, double y0, double x1, double y1, bool store), x0, y0, x1, y1, store)
    virtual HX_METHOD(void, ZoomTo, "@Tzscope@TTZDataDisplay@ZoomTo$qqrdddd", (double x0, double y0, double x1, double y1), x0, y0, x1, y1)
    virtual HX_METHOD(void, ZoomToData, "@Tzscope@TTZDataDisplay@ZoomToData$qqrddddo", (double x0, double y0, double x1, double y1, bool store), x0, y0, x1, y1, store)
    virtual HX_METHOD(void, ZoomToData, "@Tzscope@TTZDataDisplay@ZoomToData$qqrdddd", (double x0, double y0, double x1, double y1), x0, y0, x1, y1)
    virtual HX_METHOD(void, UndoZoom, "@Tzscope@TTZDataDisplay@UndoZoom$qqrv", ())
    virtual HX_METHOD(void, RedoZoom, "@Tzscope@TTZDataDisplay@RedoZoom$qqrv", ())
    virtual HX_METHOD(void, ClearZoomUndo, "@Tzscope@TTZDataDisplay@ClearZoomUndo$qqrv", ())
    HX_METHOD(bool, GetCanRedoZoom, "@Tzscope@TTZDataDisplay@GetCanRedoZoom$qqrv", ())
    HX_METHOD(bool, GetCanUndoZoom, "@Tzscope@TTZDataDisplay@GetCanUndoZoom$qqrv", ())
    HX_METHOD(bool, GetCanZoomOut, "@Tzscope@TTZDataDisplay@GetCanZoomOut$qqrv", ())
    HX_METHOD(bool, GetCanZoomIn, "@Tzscope@TTZDataDisplay@GetCanZoomIn$qqrv", ())
    HX_METHOD(void, SetHold, "@Tzscope@TTZDataDisplay@SetHold$qqro", (bool hold), hold)
    HX_METHOD(bool, GetVC_Hold, "@Tzscope@TTZDataDisplay@GetVC_Hold$qqrv", ())

    HX_MEMBER(CTTZDisplayToolBar, ToolBar)
    HX_MEMBER(CTTZDisplayZoom, Zooming)
    HX_MEMBER(CTHXComponentElements, Elements)
    HX_ACCESS(bool, Hold, GetVC_Hold, SetHold)
    HX_READ(bool, CanRedoZoom, GetCanRedoZoom)
    HX_READ(bool, CanUndoZoom, GetCanUndoZoom)
    HX_READ(bool, CanZoomOut, GetCanZoomOut)
    HX_READ(bool, CanZoomIn, GetCanZoomIn)
    HX_EVENT(2, OnZoomChanged, Sender, CTTZZoomOperation)
    HX_EVENT(4, OnDataToolTip, Sender, CTTZRealPoint, CStringT&, bool&)
    HX_EVENT(3, OnKeyDown, Sender, unsigned short&, CTShiftState)
    HX_EVENT(2, OnKeyPress, Sender, char&)
    HX_EVENT(3, OnKeyUp, Sender, unsigned short&, CTShiftState)
    HX_EVENT(1, OnClick, Sender)
    HX_EVENT(1, OnDblClick, Sender)
    HX_EVENT(5, OnMouseDown, Sender, CTMouseButton, CTShiftState, int, int)
    HX_EVENT(4, OnMouseMove, Sender, CTShiftState, int, int)
    HX_EVENT(5, OnMouseUp, Sender, CTMouseButton, CTShiftState, int, int)

protected:
    void StorePackages() override;
    Module displayPackage_ = 0;
};

class CTTZDataChart : public CTTZDataDisplay {
public:
    using Self = CTTZDataChart;
    ::qv::bridge::Entry ResolveMethod(const char* m) override;

    HX_METHOD(void, ZoomBy, "@Tzscope@TTZDataChart@ZoomBy$qqrddo", (double x, double y, bool store) override, x, y, store)
    HX_METHOD(void, ZoomTo, "@Tzscope@TTZDataChart@ZoomTo$qqrddddo", (double x0, double y0, double x1, double y1, bool store) override, x0, y0, x1, y1, store)
    HX_METHOD(void, ZoomToData, "@Tzscope@TTZDataChart@ZoomToData$qqrddddo", (double x0, double y0, double x1, double y1, bool store) override, x0, y0, x1, y1, store)
    using CTTZDataDisplay::ZoomBy;
    using CTTZDataDisplay::ZoomTo;
    using CTTZDataDisplay::ZoomToData;
    HX_METHOD(unsigned int, GetRefreshInterval, "@Tzscope@TTZDataChart@GetRefreshInterval$qqrv", ())
    HX_METHOD(void, SetRefreshInterval, "@Tzscope@TTZDataChart@SetRefreshInterval$qqrui", (unsigned int ms), ms)

    HX_PINS(InputPins)
    HX_PINS(XInputPins)
    HX_MEMBER(CTTZScopeYAxis, YAxis)
    HX_MEMBER(CTTZScopeXAxis, XAxis)
    HX_MEMBER(CTTZScopeLegendView, Legend)
    HX_MEMBER(CTTZDisplayTitle, Title)
    HX_MEMBER(CTTZScopeDataView, DataView)
    HX_MEMBER(CTTZDisplayTrails, Trails)
    HX_MEMBER(CTTZDisplayHighlighting, Highlighting)
    HX_PROP(bool, CursorsStayInView)
    HX_ACCESS(unsigned int, RefreshInterval, GetRefreshInterval, SetRefreshInterval)
    HX_EVENT(3, OnOverChannel, Sender, int, int)
    HX_EVENT(2, OnLeaveChannel, Sender, int)

protected:
    void StorePackages() override;
    Module chartPackage_ = 0;
};

class CTTZScope : public CTTZDataChart {
public:
    using Self = CTTZScope;
    static constexpr const char* kClassName = "TTZScope";
    ::qv::bridge::Entry ResolveMethod(const char* m) override;

    HX_METHOD(void, Invalidate, "@Tzscope@TTZScope@Invalidate$qqrv", () override)
    HX_METHOD(void, Print, "@Tzscope@TTZScope@Print$qqrv", () override)
    void CreateInControl(CHXControl& parent) override { createInControlAs(parent, kClassName); }
    void CreateInWindow(Window window) override { createInWindowAs(window, kClassName); }

    HX_HEAP(CTTZScopeMarkerGroups, MarkerGroups)
    HX_HEAP(CTTZDisplayZones, Zones)
    HX_HEAP(CTTZDisplayEllipticZones, Ellipses)
    HX_HEAP(CTTZScopeChannels, Channels)
    HX_HEAP(CTTZDisplayCursors, Cursors)
    HX_HEAP(CTTZDisplayCursorLinks, CursorLinks)
    HX_HEAP(CTTZDisplayChannelLinks, ChannelLinks)
    HX_PROP(bool, Vertical)
    HX_PROP(int, SizeLimit)
    HX_EVENT(4, OnCustomMouseHitLabel, Sender, int, int, CStringT&)

protected:
    void StorePackages() override;
    Module scopePackage_ = 0;
};

}  // namespace qv::bridge::tz
