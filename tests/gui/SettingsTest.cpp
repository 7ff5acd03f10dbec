// The options kept between runs: read once at start, written once at exit.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>

#include "DragEdit.h"
#include "GuiTestSupport.h"

namespace {

class SettingsTest : public ::testing::Test, public FormFixture {
 protected:
  // Closes the fixture's window, as the end of the program does.
  void CloseForm() { form.reset(); }
  void NewForm() { form = std::make_unique<TMainForm>(dialogs, &FakeEngine::Repair); }

  QVariant Stored(const QString& key) const {
    QSettings store(SettingsFile(), QSettings::IniFormat);
    return store.value("Misc/" + key);
  }
  QString StoredLine(const QString& key) const {
    for (const QByteArray& line : ReadFile("config/gui_tests/gui_tests.conf").split('\n')) {
      if (line.startsWith(key.toUtf8() + '=')) return QString::fromUtf8(line);
    }
    return {};
  }
};

}  // namespace

TEST_F(SettingsTest, FirstStartUsesTheDefaultsAndExitWritesThemAll) {
  ASSERT_FALSE(QFile::exists(SettingsFile()));
  EXPECT_EQ(AppSettings::StoreFileName(), SettingsFile());
  EXPECT_TRUE(form->chkOpenFixed->isChecked());
  EXPECT_EQ(form->cmbPDFVersion->currentText(), "1.4");
  form->btnSrcMore->click();
  form->btnDstMore->click();
  ASSERT_EQ(dialogs.fileDialogsShown.size(), 2u);
  EXPECT_EQ(dialogs.fileDialogsShown[0].filterIndex, 1);
  EXPECT_EQ(dialogs.fileDialogsShown[1].filterIndex, 1);
  CloseForm();
  EXPECT_EQ(ReadFile("config/gui_tests/gui_tests.conf").left(7), "[Misc]\n");
  EXPECT_EQ(StoredLine("OpenFixed"), "OpenFixed=1");
  EXPECT_EQ(StoredLine("MinorVer"), "MinorVer=4");
  EXPECT_EQ(Stored("TempDir").toString(), QDir::tempPath() + "/");
  EXPECT_EQ(StoredLine("BufSize"), "BufSize=512");
  EXPECT_EQ(StoredLine("OpenFilterIndex"), "OpenFilterIndex=1");
  EXPECT_EQ(StoredLine("SaveFilterIndex"), "SaveFilterIndex=1");
}

TEST_F(SettingsTest, SwitchOAndItsAbsenceAreSavedAtExit) {
  const QString source = WriteFile("scan.pdf", "%PDF-1.4\n");
  form->chkOpenFixed->setChecked(false);
  form->RunCommandLine({source, "-O"});
  CloseForm();
  EXPECT_EQ(StoredLine("OpenFixed"), "OpenFixed=1");
  NewForm();
  EXPECT_TRUE(form->chkOpenFixed->isChecked());
  form->RunCommandLine({source});
  CloseForm();
  EXPECT_EQ(StoredLine("OpenFixed"), "OpenFixed=0");
  NewForm();
  EXPECT_FALSE(form->chkOpenFixed->isChecked());
}

TEST_F(SettingsTest, IntegersAreReadWhetherStoredAsNumbersOrAsText) {
  CloseForm();
  for (const int openFixed : {0, 1}) {
    {
      QSettings store(SettingsFile(), QSettings::IniFormat);
      store.setValue("Misc/OpenFixed", openFixed);  // a number, not the text "0" or "1"
      store.setValue("Misc/MinorVer", QString("2"));
      store.setValue("Misc/BufSize", QString("lots"));  // no number: the default
      store.setValue("Misc/TempDir", QString("/scratch/"));
      store.setValue("Misc/OpenFilterIndex", 2);
    }
    NewForm();
    EXPECT_EQ(form->chkOpenFixed->isChecked(), openFixed == 1);
    EXPECT_EQ(form->cmbPDFVersion->currentText(), "1.2");
    EXPECT_EQ(form->txtTempDir->text(), "/scratch/");
    EXPECT_EQ(form->txtBufSize->text(), "512");
    EXPECT_EQ(form->Settings().OpenFilterIndex(), 2);
    EXPECT_EQ(form->Settings().SaveFilterIndex(), 1);  // missing: the default
    CloseForm();
    EXPECT_EQ(StoredLine("OpenFixed"), openFixed == 1 ? "OpenFixed=1" : "OpenFixed=0");
  }
}

TEST_F(SettingsTest, MinorVerOutOfRangeSelectsNothingAndTheEngineKeepsItsDefault) {
  CloseForm();
  QSettings(SettingsFile(), QSettings::IniFormat).setValue("Misc/MinorVer", 9);
  NewForm();
  EXPECT_EQ(form->cmbPDFVersion->currentIndex(), -1);
  form->txtSrcFile->setText(Path("in.pdf"));
  form->btnRepairClick();
  EXPECT_EQ(FakeEngine::versionOption >> 16, 0xFFFFu);  // index -1: not a version
  CloseForm();
  EXPECT_EQ(StoredLine("MinorVer"), "MinorVer=-1");
}

TEST_F(SettingsTest, TheWindowClosedLastWritesItsValues) {
  auto other = std::make_unique<TMainForm>(dialogs, &FakeEngine::Repair);
  form->cmbPDFVersion->setCurrentIndex(1);
  other->cmbPDFVersion->setCurrentIndex(6);
  other->chkOpenFixed->setChecked(false);
  CloseForm();
  EXPECT_EQ(StoredLine("MinorVer"), "MinorVer=1");
  other.reset();
  NewForm();  // the next start
  EXPECT_EQ(form->cmbPDFVersion->currentText(), "1.6");
  EXPECT_FALSE(form->chkOpenFixed->isChecked());
}

// Thorough recovery is on for everyone who never changed it, also where an
// older window saved "0" only because it closed; a user's own choice stays.
TEST_F(SettingsTest, ThoroughIsOnUnlessTheUserTurnedItOff) {
  EXPECT_TRUE(form->chkThorough->isChecked());  // a fresh store
  CloseForm();
  EXPECT_EQ(StoredLine("Thorough"), "Thorough=1");
  EXPECT_EQ(StoredLine("ThoroughChosen"), "");
  QSettings(SettingsFile(), QSettings::IniFormat).setValue("Misc/Thorough", "0");  // an old store
  NewForm();
  EXPECT_TRUE(form->chkThorough->isChecked());
  CloseForm();
  EXPECT_EQ(StoredLine("Thorough"), "Thorough=1");
  EXPECT_EQ(StoredLine("ThoroughChosen"), "");
  NewForm();
  form->chkThorough->setChecked(false);  // the user's choice
  CloseForm();
  EXPECT_EQ(StoredLine("Thorough"), "Thorough=0");
  EXPECT_EQ(StoredLine("ThoroughChosen"), "ThoroughChosen=1");
  for (int start = 0; start < 2; ++start) {  // kept, also by a window that leaves it alone
    NewForm();
    EXPECT_FALSE(form->chkThorough->isChecked()) << "start " << start;
    CloseForm();
  }
  NewForm();
  form->chkThorough->setChecked(true);  // chosen on stays chosen
  CloseForm();
  EXPECT_EQ(StoredLine("Thorough"), "Thorough=1");
  EXPECT_EQ(StoredLine("ThoroughChosen"), "ThoroughChosen=1");
}
