#include "settings/TIniData.h"

#include "settings/KWFileUtils.h"

TIniData::TIniData() : folderForRecordings_(PersonalFolder() + u"Hymnaro/Audio Recorder") {}

TIniData::~TIniData() {
    SaveOnDestroy();
}

const TClassInfo& TIniData::StaticClassInfo() {
    static const TClassInfo info{
        "TIniData",
        &TKWConfigFile::StaticClassInfo(),
        {DeclareProperty<TIniData>("FolderForRecordings", TTypeKind::WideString,
                                   &TIniData::FolderForRecordings,
                                   &TIniData::SetFolderForRecordings),
         DeclareProperty<TIniData>("CaptureDevice", TTypeKind::WideString, &TIniData::CaptureDevice,
                                   &TIniData::SetCaptureDevice),
         DeclareProperty<TIniData>("RecordingFormat", TTypeKind::WideString,
                                   &TIniData::RecordingFormat, &TIniData::SetRecordingFormat)}};
    return info;
}
