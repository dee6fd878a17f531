#pragma once
// CDlgCurvePara: "Curve parameters", the top and bottom values of one curve's band, with the
// curve's largest and smallest sample shown beside them. The caller fills the four numbers,
// runs it, and on IDOK reads the two edited values back.

#include <QDialog>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

class CDlgCurvePara : public QDialog {
public:
    enum { IDOK = 1, IDCANCEL = 2 };

    explicit CDlgCurvePara(QWidget* parent = nullptr);

    // Loads the controls ("%.3f" of each number) and runs the dialog: IDOK or IDCANCEL.
    int DoModal();

    // Data exchange: true loads the controls from the numbers, false reads the two edited
    // values back leniently (no number reads as 0; no validation).
    void DoDataExchange(bool saving);

    double m_dblTop = 0.0;
    double m_dblBottom = 0.0;
    double m_dblMax = 0.0;
    double m_dblMin = 0.0;
    bool m_bHasExtremes = true;  // false: a curve without samples shows no largest or smallest
    std::string m_strTop, m_strBottom, m_strMax, m_strMin;

    QPushButton* m_pOk;
    QPushButton* m_pCancel;
    QLineEdit* m_pTop;
    QLineEdit* m_pBottom;
    QLabel* m_pMax;
    QLabel* m_pMin;
};
