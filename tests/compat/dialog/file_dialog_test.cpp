#include "kvxtheme/file_dialog.h"

#include <gtest/gtest.h>

#include <memory>

#include "kvxtheme/headless_backend.h"

namespace {

class FileDialog : public ::testing::Test {
 protected:
  void SetUp() override { previous_ = setDialogBackend(backend_); }
  void TearDown() override { setDialogBackend(previous_); }

  std::shared_ptr<HeadlessDialogBackend> backend_ = std::make_shared<HeadlessDialogBackend>();
  std::shared_ptr<DialogBackend> previous_;
};

TEST_F(FileDialog, HandsTheRequestToTheBackend) {
  backend_->scriptFileChoice("/srv/themes/autumn.kvx");
  CFileDialog chooser(1, "*.kvx", "/opt/app/spring.kvx", OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY,
                      nullptr, nullptr);
  ASSERT_EQ(chooser.DoModal(), IDOK);
  ASSERT_EQ(backend_->fileRequests().size(), 1u);
  const FileChooserRequest& request = backend_->fileRequests()[0];
  EXPECT_TRUE(request.openDialog);
  EXPECT_EQ(request.defaultExtension, "*.kvx");
  EXPECT_EQ(request.initialPath, "/opt/app/spring.kvx");
  EXPECT_EQ(request.flags, 6u);
  EXPECT_EQ(request.filter, "");
  EXPECT_EQ(request.owner, 0u);
  EXPECT_EQ(chooser.GetPathName(), "/srv/themes/autumn.kvx");
  EXPECT_EQ(chooser.GetFileName(), "autumn.kvx");
  EXPECT_EQ(chooser.GetFileExt(), "kvx");
}

TEST_F(FileDialog, AddsTheDefaultExtensionToABareName) {
  backend_->scriptFileChoice("/srv/themes/winter");
  backend_->scriptFileChoice("/srv/themes/summer.old");
  CFileDialog first(1, "*.kvx");
  ASSERT_EQ(first.DoModal(), IDOK);
  EXPECT_EQ(first.GetFileName(), "winter.kvx");
  CFileDialog second(1, ".kvx");
  ASSERT_EQ(second.DoModal(), IDOK);
  EXPECT_EQ(second.GetFileName(), "summer.old");
}

TEST_F(FileDialog, CancelAndDirectoriesAreNoChoice) {
  backend_->scriptFileCancel();
  backend_->scriptFileChoice("/srv/themes/");
  CFileDialog cancelled(1, "*.kvx");
  EXPECT_EQ(cancelled.DoModal(), IDCANCEL);
  EXPECT_EQ(cancelled.GetFileName(), "");
  CFileDialog directory(1, "*.kvx");
  EXPECT_EQ(directory.DoModal(), IDCANCEL);
  EXPECT_EQ(directory.GetPathName(), "");
  // Nothing scripted: cancelled.
  CFileDialog unanswered(1);
  EXPECT_EQ(unanswered.DoModal(), IDCANCEL);
}

}  // namespace
