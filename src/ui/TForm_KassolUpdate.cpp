// The update check of the main window: started last in the start-up, its restart goes through
// the window's normal way out (backup dialog, books closed).
#include "ui/TForm_Kassol.h"

#include "app/THelperData.h"
#include "app/UpdateLog.h"
#include "ui/Anwendung.h"
#include "update/WebUpdate.h"

#include <QDir>

WebUpdate& TForm_Kassol::webUpdate() {
    if (!m_webUpdate) {
        m_webUpdate = std::make_unique<WebUpdate>(*this, m_app.ui, m_app.clock, m_app.helper.folders().programFolder,
                                                  QDir(m_app.helper.DBPath()).filePath(QString::fromLatin1(UpdateLog::DateiName)));
        m_webUpdate->setzeQuelle(Updatequelle::ausEinstellungen(m_app.helper.IniPath()));
        connect(m_webUpdate.get(), &WebUpdate::neustart, this, &TForm_Kassol::close, Qt::QueuedConnection);
    }
    return *m_webUpdate;
}

void TForm_Kassol::CheckWebUpdate() {
    webUpdate().CheckWebUpdate();
}
