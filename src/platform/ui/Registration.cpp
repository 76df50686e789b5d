// Desktop UI layer: layout properties of the standard components.
#include "Components.h"
#include "Forms.h"
#include "Layout.h"
#include "StdCtrls.h"

#include <QDir>
#include <QFile>

namespace zuvi::ui {

namespace {

TCursor cursorOf(const LayoutValue& v)
{
    return v.toEnum({{"crDefault", crDefault}, {"crArrow", crArrow}, {"crHandPoint", crHandPoint},
        {"crIBeam", crIBeam}, {"crCross", crCross}, {"crHourGlass", crHourGlass},
        {"crSizeAll", crSizeAll}, {"crDrag", crDrag}});
}

TFontStyles fontStyleOf(const LayoutValue& v)
{
    TFontStyles s = 0;
    for (const QString& w : v.toWordSet()) {
        if (w == QLatin1String("fsBold"))
            s |= fsBold;
        else if (w == QLatin1String("fsItalic"))
            s |= fsItalic;
        else if (w == QLatin1String("fsUnderline"))
            s |= fsUnderline;
        else if (w == QLatin1String("fsStrikeOut"))
            s |= fsStrikeOut;
        else
            v.fail(QStringLiteral("unknown font style %1").arg(w));
    }
    return s;
}

TBorderStyle borderOf(const LayoutValue& v)
{
    return TBorderStyle(v.toEnum({{"bsNone", bsNone}, {"bsSingle", bsSingle}, {"bsSizeable", bsSizeable},
        {"bsDialog", bsDialog}, {"bsToolWindow", bsToolWindow}}));
}

} // namespace

void RegisterStandardClasses()
{
    RegisterAbstractClass<TComponent>("TComponent", "")
        .property("Tag", [](TComponent& c, const LayoutValue& v) { c.SetTag(v.toInt()); });

    RegisterAbstractClass<TControl>("TControl", "TComponent")
        .property("Left", [](TControl& c, const LayoutValue& v) { c.SetLeft(v.toInt()); })
        .property("Top", [](TControl& c, const LayoutValue& v) { c.SetTop(v.toInt()); })
        .property("Width", [](TControl& c, const LayoutValue& v) { c.SetWidth(v.toInt()); })
        .property("Height", [](TControl& c, const LayoutValue& v) { c.SetHeight(v.toInt()); })
        .property("Visible", [](TControl& c, const LayoutValue& v) { c.SetVisible(v.toBool()); })
        .property("Enabled", [](TControl& c, const LayoutValue& v) { c.SetEnabled(v.toBool()); })
        .property("Cursor", [](TControl& c, const LayoutValue& v) { c.SetCursor(cursorOf(v)); })
        .property("Caption", [](TControl& c, const LayoutValue& v) { c.SetCaption(v.toString()); })
        .property("Hint", [](TControl& c, const LayoutValue& v) { c.SetHint(v.toString()); })
        .property("Color", [](TControl& c, const LayoutValue& v) { c.SetColor(v.toColor()); })
        .property("Font.Name", [](TControl& c, const LayoutValue& v) { c.Font().Name = v.toString(); c.FontChanged(); })
        .property("Font.Height", [](TControl& c, const LayoutValue& v) { c.Font().Height = v.toInt(); c.FontChanged(); })
        .property("Font.Style", [](TControl& c, const LayoutValue& v) { c.Font().Style = fontStyleOf(v); c.FontChanged(); })
        .property("Font.Color", [](TControl& c, const LayoutValue& v) { c.Font().Color = v.toColor(); c.FontChanged(); })
        .property("PopupMenu", [](TControl& c, const LayoutValue& v) {
            v.toComponent([&c, v](TComponent* m) {
                auto* menu = dynamic_cast<TPopupMenu*>(m);
                if (!menu)
                    v.fail(QStringLiteral("not a TPopupMenu"));
                c.SetPopupMenu(menu);
            });
        })
        .property("OnClick", [](TControl& c, const LayoutValue& v) { c.OnClick = v.toHandler<TNotifyEvent>(); })
        .property("OnDblClick", [](TControl& c, const LayoutValue& v) { c.OnDblClick = v.toHandler<TNotifyEvent>(); })
        .property("OnMouseDown", [](TControl& c, const LayoutValue& v) { c.OnMouseDown = v.toHandler<TMouseEvent>(); })
        .property("OnMouseUp", [](TControl& c, const LayoutValue& v) { c.OnMouseUp = v.toHandler<TMouseEvent>(); })
        .property("OnMouseMove", [](TControl& c, const LayoutValue& v) { c.OnMouseMove = v.toHandler<TMouseMoveEvent>(); })
        .property("OnMouseEnter", [](TControl& c, const LayoutValue& v) { c.OnMouseEnter = v.toHandler<TNotifyEvent>(); })
        .property("OnMouseLeave", [](TControl& c, const LayoutValue& v) { c.OnMouseLeave = v.toHandler<TNotifyEvent>(); })
        .property("OnResize", [](TControl& c, const LayoutValue& v) { c.OnResize = v.toHandler<TNotifyEvent>(); });

    RegisterAbstractClass<TGraphicControl>("TGraphicControl", "TControl");
    RegisterAbstractClass<TWinControl>("TWinControl", "TControl")
        .property("TabStop", [](TWinControl& c, const LayoutValue& v) { c.SetTabStop(v.toBool()); })
        .property("OnKeyDown", [](TWinControl& c, const LayoutValue& v) { c.OnKeyDown = v.toHandler<TKeyEvent>(); })
        .property("OnKeyUp", [](TWinControl& c, const LayoutValue& v) { c.OnKeyUp = v.toHandler<TKeyEvent>(); })
        .property("OnKeyPress", [](TWinControl& c, const LayoutValue& v) { c.OnKeyPress = v.toHandler<TKeyPressEvent>(); })
        .property("OnEnter", [](TWinControl& c, const LayoutValue& v) { c.OnEnter = v.toHandler<TNotifyEvent>(); })
        .property("OnExit", [](TWinControl& c, const LayoutValue& v) { c.OnExit = v.toHandler<TNotifyEvent>(); });
    RegisterAbstractClass<TCustomControl>("TCustomControl", "TWinControl");

    RegisterAbstractClass<TCustomForm>("TForm", "TWinControl")
        .property("BorderStyle", [](TCustomForm& f, const LayoutValue& v) { f.SetBorderStyle(borderOf(v)); })
        .property("ClientWidth", [](TCustomForm& f, const LayoutValue& v) { f.SetClientWidth(v.toInt()); })
        .property("ClientHeight", [](TCustomForm& f, const LayoutValue& v) { f.SetClientHeight(v.toInt()); })
        .property("Position", [](TCustomForm& f, const LayoutValue& v) {
            f.SetPosition(TPosition(v.toEnum({{"poDesigned", poDesigned}, {"poDefault", poDefault},
                {"poScreenCenter", poScreenCenter}, {"poDesktopCenter", poDesktopCenter},
                {"poMainFormCenter", poMainFormCenter}, {"poOwnerFormCenter", poOwnerFormCenter}})));
        })
        .property("FormStyle", [](TCustomForm& f, const LayoutValue& v) {
            f.SetFormStyle(TFormStyle(v.toEnum({{"fsNormal", fsNormal}, {"fsStayOnTop", fsStayOnTop}})));
        })
        .property("WindowState", [](TCustomForm& f, const LayoutValue& v) {
            f.SetWindowState(TWindowState(v.toEnum({{"wsNormal", wsNormal}, {"wsMinimized", wsMinimized}, {"wsMaximized", wsMaximized}})));
        })
        .property("OnCreate", [](TCustomForm& f, const LayoutValue& v) { f.OnCreate = v.toHandler<TNotifyEvent>(); })
        .property("OnShow", [](TCustomForm& f, const LayoutValue& v) { f.OnShow = v.toHandler<TNotifyEvent>(); })
        .property("OnHide", [](TCustomForm& f, const LayoutValue& v) { f.OnHide = v.toHandler<TNotifyEvent>(); })
        .property("OnDestroy", [](TCustomForm& f, const LayoutValue& v) { f.OnDestroy = v.toHandler<TNotifyEvent>(); })
        .property("OnClose", [](TCustomForm& f, const LayoutValue& v) { f.OnClose = v.toHandler<TCloseEvent>(); })
        .property("OnCloseQuery", [](TCustomForm& f, const LayoutValue& v) { f.OnCloseQuery = v.toHandler<TCloseQueryEvent>(); });

    RegisterClass<TLabel>("TLabel", "TGraphicControl")
        .property("AutoSize", [](TLabel& c, const LayoutValue& v) { c.SetAutoSize(v.toBool()); })
        .property("WordWrap", [](TLabel& c, const LayoutValue& v) { c.SetWordWrap(v.toBool()); })
        .property("Transparent", [](TLabel& c, const LayoutValue& v) { c.SetTransparent(v.toBool()); })
        .property("Alignment", [](TLabel& c, const LayoutValue& v) {
            c.SetAlignment(TAlignment(v.toEnum({{"taLeftJustify", taLeftJustify}, {"taRightJustify", taRightJustify}, {"taCenter", taCenter}})));
        });

    RegisterClass<TEdit>("TEdit", "TWinControl")
        .property("Text", [](TEdit& c, const LayoutValue& v) { c.SetText(v.toString()); })
        .property("PasswordChar", [](TEdit& c, const LayoutValue& v) {
            QString s = v.toString();
            c.SetPasswordChar(s.isEmpty() ? 0 : s.at(0).unicode());
        })
        .property("MaxLength", [](TEdit& c, const LayoutValue& v) { c.SetMaxLength(v.toInt()); })
        .property("ReadOnly", [](TEdit& c, const LayoutValue& v) { c.SetReadOnly(v.toBool()); })
        .property("OnChange", [](TEdit& c, const LayoutValue& v) { c.OnChange = v.toHandler<TNotifyEvent>(); });
    RegisterClass<TMaskEdit>("TMaskEdit", "TEdit");

    RegisterClass<TComboBox>("TComboBox", "TWinControl")
        .property("Items", [](TComboBox& c, const LayoutValue& v) { c.Items()->Assign(v.toStringList()); })
        .property("Text", [](TComboBox& c, const LayoutValue& v) { c.SetText(v.toString()); })
        .property("ItemIndex", [](TComboBox& c, const LayoutValue& v) { c.SetItemIndex(v.toInt()); })
        .property("DropDownCount", [](TComboBox& c, const LayoutValue& v) { c.SetDropDownCount(v.toInt()); })
        .property("Style", [](TComboBox& c, const LayoutValue& v) {
            c.SetStyle(TComboBoxStyle(v.toEnum({{"csDropDown", csDropDown}, {"csDropDownList", csDropDownList}})));
        })
        .property("OnChange", [](TComboBox& c, const LayoutValue& v) { c.OnChange = v.toHandler<TNotifyEvent>(); })
        .property("OnSelect", [](TComboBox& c, const LayoutValue& v) { c.OnSelect = v.toHandler<TNotifyEvent>(); });

    RegisterClass<TCheckBox>("TCheckBox", "TWinControl")
        .property("Checked", [](TCheckBox& c, const LayoutValue& v) { c.SetChecked(v.toBool()); });
    RegisterClass<TRadioButton>("TRadioButton", "TWinControl")
        .property("Checked", [](TRadioButton& c, const LayoutValue& v) { c.SetChecked(v.toBool()); });

    RegisterClass<TPanel>("TPanel", "TCustomControl")
        .property("BevelOuter", [](TPanel& c, const LayoutValue& v) {
            c.SetBevelOuter(TBevelCut(v.toEnum({{"bvNone", bvNone}, {"bvLowered", bvLowered}, {"bvRaised", bvRaised}, {"bvSpace", bvSpace}})));
        })
        .property("ParentBackground", [](TPanel& c, const LayoutValue& v) { c.SetParentBackground(v.toBool()); });

    RegisterClass<TImage>("TImage", "TGraphicControl")
        .property("Picture", [](TImage& c, const LayoutValue& v) { c.Picture()->LoadFromFile(v.toPath()); })
        .property("Stretch", [](TImage& c, const LayoutValue& v) { c.SetStretch(v.toBool()); })
        .property("Transparent", [](TImage& c, const LayoutValue& v) { c.SetTransparent(v.toBool()); })
        .property("Center", [](TImage& c, const LayoutValue& v) { c.SetCenter(v.toBool()); });

    RegisterClass<TListBox>("TListBox", "TWinControl")
        .property("Items", [](TListBox& c, const LayoutValue& v) { c.Items()->Assign(v.toStringList()); })
        .property("ItemHeight", [](TListBox& c, const LayoutValue& v) { c.SetItemHeight(v.toInt()); })
        .property("BorderStyle", [](TListBox& c, const LayoutValue& v) { c.SetBorderStyle(borderOf(v)); });

    RegisterClass<TMemo>("TMemo", "TWinControl")
        .property("Lines", [](TMemo& c, const LayoutValue& v) { c.Lines()->Assign(v.toStringList()); })
        .property("ReadOnly", [](TMemo& c, const LayoutValue& v) { c.SetReadOnly(v.toBool()); })
        .property("ScrollBars", [](TMemo& c, const LayoutValue& v) {
            c.SetScrollBars(TScrollStyle(v.toEnum({{"ssNone", ssNone}, {"ssHorizontal", ssHorizontal}, {"ssVertical", ssVertical}, {"ssBoth", ssBoth}})));
        })
        .property("BorderStyle", [](TMemo& c, const LayoutValue& v) { c.SetBorderStyle(borderOf(v)); })
        .property("WordWrap", [](TMemo& c, const LayoutValue& v) { c.SetWordWrap(v.toBool()); })
        .property("OnChange", [](TMemo& c, const LayoutValue& v) { c.OnChange = v.toHandler<TNotifyEvent>(); });

    RegisterClass<TValueListEditor>("TValueListEditor", "TWinControl")
        .property("Strings", [](TValueListEditor& c, const LayoutValue& v) { c.Strings()->Assign(v.toStringList()); })
        .property("TitleCaptions", [](TValueListEditor& c, const LayoutValue& v) { c.SetTitleCaptions(v.toStringList()); })
        .property("ColWidths", [](TValueListEditor& c, const LayoutValue& v) {
            QStringList w = v.toWordSet();
            for (int i = 0; i < w.size(); ++i)
                c.SetColWidths(i, w[i].toInt());
        })
        .property("BorderStyle", [](TValueListEditor& c, const LayoutValue& v) { c.SetBorderStyle(borderOf(v)); })
        .property("GridLines", [](TValueListEditor& c, const LayoutValue& v) { c.SetGridLines(v.toBool()); })
        .property("OnSelectCell", [](TValueListEditor& c, const LayoutValue& v) { c.OnSelectCell = v.toHandler<TSelectCellEvent>(); });

    RegisterClass<TTrackBar>("TTrackBar", "TWinControl")
        .property("Min", [](TTrackBar& c, const LayoutValue& v) { c.SetMin(v.toInt()); })
        .property("Max", [](TTrackBar& c, const LayoutValue& v) { c.SetMax(v.toInt()); })
        .property("Position", [](TTrackBar& c, const LayoutValue& v) { c.SetPosition(v.toInt()); })
        .property("Orientation", [](TTrackBar& c, const LayoutValue& v) {
            c.SetOrientation(TTrackBarOrientation(v.toEnum({{"trHorizontal", trHorizontal}, {"trVertical", trVertical}})));
        })
        .property("TickStyle", [](TTrackBar& c, const LayoutValue& v) {
            c.SetTickStyle(TTickStyle(v.toEnum({{"tsNone", tsNone}, {"tsAuto", tsAuto}, {"tsManual", tsManual}})));
        })
        .property("OnChange", [](TTrackBar& c, const LayoutValue& v) { c.OnChange = v.toHandler<TNotifyEvent>(); });

    RegisterClass<TProgressBar>("TProgressBar", "TWinControl")
        .property("Min", [](TProgressBar& c, const LayoutValue& v) { c.SetMin(v.toInt()); })
        .property("Max", [](TProgressBar& c, const LayoutValue& v) { c.SetMax(v.toInt()); })
        .property("Position", [](TProgressBar& c, const LayoutValue& v) { c.SetPosition(v.toInt()); });

    RegisterClass<TPopupMenu>("TPopupMenu", "TComponent")
        .property("AutoHotkeys", [](TPopupMenu& c, const LayoutValue& v) {
            c.AutoHotkeys = v.toEnum({{"maManual", 0}, {"maAutomatic", 1}}) == 1;
        })
        .property("OnPopup", [](TPopupMenu& c, const LayoutValue& v) { c.OnPopup = v.toHandler<TNotifyEvent>(); });
    RegisterClass<TMenuItem>("TMenuItem", "TComponent")
        .property("Caption", [](TMenuItem& c, const LayoutValue& v) { c.SetCaption(v.toString()); })
        .property("Visible", [](TMenuItem& c, const LayoutValue& v) { c.SetVisible(v.toBool()); })
        .property("Enabled", [](TMenuItem& c, const LayoutValue& v) { c.SetEnabled(v.toBool()); })
        .property("OnClick", [](TMenuItem& c, const LayoutValue& v) { c.OnClick = v.toHandler<TNotifyEvent>(); });

    RegisterClass<TTimer>("TTimer", "TComponent")
        .property("Interval", [](TTimer& c, const LayoutValue& v) { c.SetInterval(v.toInt()); })
        .property("Enabled", [](TTimer& c, const LayoutValue& v) { c.SetEnabled(v.toBool()); })
        .property("OnTimer", [](TTimer& c, const LayoutValue& v) { c.OnTimer = v.toHandler<TNotifyEvent>(); });

    RegisterClass<TImageList>("TImageList", "TComponent")
        .property("Pictures", [](TImageList& c, const LayoutValue& v) {
            for (const QString& p : v.toStringList()) {
                QString path = QDir(ResourceDir()).filePath(p);
                if (!QFile::exists(path))
                    v.fail(QStringLiteral("file not found: %1").arg(path));
                c.AddFromFile(path);
            }
        });

    RegisterClass<TTrayIcon>("TTrayIcon", "TComponent")
        .property("Icon", [](TTrayIcon& c, const LayoutValue& v) {
            if (!c.Icon()->LoadFromFile(v.toPath()))
                v.fail(QStringLiteral("not an icon"));
            c.IconChanged();
        })
        .property("Images", [](TTrayIcon& c, const LayoutValue& v) {
            v.toComponent([&c, v](TComponent* m) {
                auto* l = dynamic_cast<TImageList*>(m);
                if (!l)
                    v.fail(QStringLiteral("not a TImageList"));
                c.SetImages(l);
            });
        })
        .property("IconIndex", [](TTrayIcon& c, const LayoutValue& v) { c.SetIconIndex(v.toInt()); })
        .property("PopupMenu", [](TTrayIcon& c, const LayoutValue& v) {
            v.toComponent([&c, v](TComponent* m) {
                auto* menu = dynamic_cast<TPopupMenu*>(m);
                if (!menu)
                    v.fail(QStringLiteral("not a TPopupMenu"));
                c.SetPopupMenu(menu);
            });
        })
        .property("Visible", [](TTrayIcon& c, const LayoutValue& v) { c.SetVisible(v.toBool()); })
        .property("Hint", [](TTrayIcon& c, const LayoutValue& v) { c.SetHint(v.toString()); })
        .property("OnDblClick", [](TTrayIcon& c, const LayoutValue& v) { c.OnDblClick = v.toHandler<TNotifyEvent>(); })
        .property("OnClick", [](TTrayIcon& c, const LayoutValue& v) { c.OnClick = v.toHandler<TNotifyEvent>(); });
}

} // namespace zuvi::ui
