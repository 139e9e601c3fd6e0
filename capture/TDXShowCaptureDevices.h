#pragma once
// The capture devices of one device category (video or audio input) as the system device
// enumerator reports them, in its order: display name, lookup key and moniker of each.
// Refresh fills it; the list does not enumerate on its own, but tells whether it has been.
// Thread contract: GUI thread only (Refresh may show a message box).
#include "capture/TDXShowCaptureDevice.h"

#include <QStringList>

#include <memory>
#include <vector>

class QObject;

class TDXShowCaptureDevices {
public:
    // An empty list of the video input category.
    TDXShowCaptureDevices();
    ~TDXShowCaptureDevices();
    TDXShowCaptureDevices(const TDXShowCaptureDevices&) = delete;
    TDXShowCaptureDevices& operator=(const TDXShowCaptureDevices&) = delete;

    bool VideoDevices() const { return FVideoDevices; }
    // Only stored; the next Refresh uses it.
    void SetVideoDevices(bool value) { FVideoDevices = value; }

    // Clears the list and enumerates the chosen category. A system device enumerator that
    // cannot be created is shown in a plain message box; the list stays empty then.
    void Refresh();
    // Refresh has run since the list was made or cleared (whether or not it found a device).
    bool Listed() const { return FListed; }
    // The first item whose DevicePath equals text, ignoring case in the user's locale; null
    // when there is none.
    TDXShowCaptureDevice* FindDevice(const WideString& text) const;
    // The item at a 0-based index; EDShowListError "List index out of bounds (%d)" outside.
    TDXShowCaptureDevice& Items(int index) const;
    int Count() const { return int(FItems.size()); }
    void Clear() {
        FItems.clear();
        FListed = false;
    }

    // Copy-out to a string list: its lines become the DeviceName of every item, in order.
    void AssignTo(QStringList& target) const;
    // Copy-out to an object: a QStringListModel takes the names as its list; any other
    // object raises EDShowConvertError "Cannot assign a TDXShowCaptureDevices to a <class>".
    void AssignTo(QObject* target) const;

private:
    bool FVideoDevices = true;
    bool FListed = false;
    std::vector<std::unique_ptr<TDXShowCaptureDevice>> FItems;
};
