#pragma once
#include <QWidget>

class QAbstractButton;

namespace qn {

class BundleInfo;
class ControlsReport;
class LinkButton;

// The "About" page: support link, the program's icon, its name and version (a click
// adds the build number), and a banner whose areas lead to the maker's pages.
class AboutSettings : public QWidget {
    Q_OBJECT
public:
    explicit AboutSettings(const BundleInfo *bundle = nullptr, QWidget *parent = nullptr);

    // "Quillnest 1.0.0" and "Quillnest 1.0.0 (build 7)"; absent parts are empty,
    // an absent build number is "-".
    static QString shortVersionText(const BundleInfo &bundle);
    static QString fullVersionText(const BundleInfo &bundle);

    bool showFullVersion() const { return m_showFullVersion; }
    LinkButton *versionButton() const { return m_version; }
    // The banner's click areas and the addresses they open, top one first.
    QList<QAbstractButton *> bannerAreas() const { return m_areas; }
    static QStringList bannerAddresses();

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    const BundleInfo &m_bundle;
    bool m_showFullVersion = false;
    LinkButton *m_version;
    QList<QAbstractButton *> m_areas;
    ControlsReport *m_report;
};

} // namespace qn
