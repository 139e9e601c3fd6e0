#include "capture/TDXShowCaptureDevices.h"

#include "capture/EDShowConvertError.h"
#include "capture/EDShowListError.h"
#include "capture/ShowMessage.h"
#include "framework/FrameworkUtil.h"
#include "framework/interfaces/MediaGuids.h"
#include "runtime/ClassTable.h"

#include <QLocale>
#include <QMetaObject>
#include <QObject>
#include <QStringListModel>

namespace {
// Reads one text property; nothing when it is missing or not text.
bool ReadText(IPropertyBag* bag, LPCOLESTR name, WideString& value) {
    VARIANT v;
    VariantInit(&v);
    const HRESULT hr = bag->Read(name, &v, nullptr);
    const bool ok = SUCCEEDED(hr) && v.vt == VT_BSTR;
    if (ok) value.assign(v.bstrVal ? v.bstrVal : u"", v.bstrVal ? SysStringLen(v.bstrVal) : 0);
    (void)VariantClear(&v);
    return ok;
}

QStringList DeviceNames(const TDXShowCaptureDevices& list) {
    QStringList names;
    for (int i = 0; i < list.Count(); ++i)
        names.append(QString::fromStdU16String(list.Items(i).DeviceName));
    return names;
}
} // namespace

TDXShowCaptureDevices::TDXShowCaptureDevices() = default;
TDXShowCaptureDevices::~TDXShowCaptureDevices() = default;

void TDXShowCaptureDevices::Refresh() {
    FItems.clear();
    FListed = true;
    ComPtr<ICreateDevEnum> devEnum;
    const HRESULT hr = CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                                        IID_ICreateDevEnum, devEnum.put_void());
    if (FAILED(hr) || !devEnum) {
        const HRESULT code = FAILED(hr) ? hr : E_POINTER;
        ShowMessage(QStringLiteral("%1 Reason: ($%2).")
                        .arg(QString::fromLatin1(MediaErrorText(code)),
                             QString::number(quint32(std::int32_t(code)), 16).toUpper()));
        return;
    }
    ComPtr<IEnumMoniker> monikers;
    const CLSID& category =
        FVideoDevices ? CLSID_VideoInputDeviceCategory : CLSID_AudioInputDeviceCategory;
    if (FAILED(devEnum->CreateClassEnumerator(category, monikers.put(), 0)) || !monikers) return;
    ComPtr<IMoniker> moniker;
    while (monikers->Next(1, moniker.put(), nullptr) == S_OK) {
        ComPtr<IPropertyBag> bag;
        if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.put_void())) ||
            !bag)
            continue;
        auto item = std::make_unique<TDXShowCaptureDevice>();
        if (!ReadText(bag.get(), u"Description", item->DeviceName) &&
            !ReadText(bag.get(), u"FriendlyName", item->DeviceName))
            continue;
        if (!ReadText(bag.get(), u"DevicePath", item->DevicePath) &&
            !ReadText(bag.get(), u"CLSID", item->DevicePath))
            continue;
        (void)ReadText(bag.get(), u"MonitorOf", item->MonitorOf);
        item->Moniker = moniker;
        FItems.push_back(std::move(item));
    }
}

TDXShowCaptureDevice* TDXShowCaptureDevices::FindDevice(const WideString& text) const {
    const QLocale locale;
    const QString wanted = locale.toLower(QString::fromStdU16String(text));
    for (const auto& item : FItems)
        if (locale.toLower(QString::fromStdU16String(item->DevicePath)) == wanted)
            return item.get();
    return nullptr;
}

TDXShowCaptureDevice& TDXShowCaptureDevices::Items(int index) const {
    if (index < 0 || index >= Count())
        throw EDShowListError(
            QStringLiteral("List index out of bounds (%1)").arg(index).toStdString());
    return *FItems[std::size_t(index)];
}

void TDXShowCaptureDevices::AssignTo(QStringList& target) const {
    target = DeviceNames(*this);
}

void TDXShowCaptureDevices::AssignTo(QObject* target) const {
    if (auto* model = qobject_cast<QStringListModel*>(target)) {
        model->setStringList(DeviceNames(*this)); // one update for the whole list
        return;
    }
    const char* targetClass = target ? target->metaObject()->className() : "nil";
    throw EDShowConvertError(QStringLiteral("Cannot assign a TDXShowCaptureDevices to a %1")
                                 .arg(QString::fromLatin1(targetClass))
                                 .toStdString());
}
