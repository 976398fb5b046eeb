"""The include check on small made-up trees: what it lets through and what it reports."""
import importlib.util
import pathlib
import sys
import tempfile
import unittest

ROOT = pathlib.Path(__file__).resolve().parents[2]
spec = importlib.util.spec_from_file_location("check_includes", ROOT / "scripts" / "check_includes.py")
check_includes = importlib.util.module_from_spec(spec)
spec.loader.exec_module(check_includes)


def problems_for(files):
    with tempfile.TemporaryDirectory() as tmp:
        root = pathlib.Path(tmp)
        for path, text in files.items():
            (root / path).parent.mkdir(parents=True, exist_ok=True)
            (root / path).write_text(text)
        return check_includes.check(root)


class IncludeOrder(unittest.TestCase):
    CASES = [
        # (file, its include, reported?)
        ("uikit/Color.h", '#include "platform/Diagnostics.h"', False),
        ("uikit/Color.h", '#include "uikit/Theme.h"', False),
        ("platform/Sounds.cpp", '#include "uikit/Color.h"', True),
        ("annotation/Tool.cpp", '#include "editor_ui/DrawViewButton.h"', True),
        # The state library is below app/ although it lives inside it.
        ("app/state/Models.cpp", '#include "annotation/DrawViewModel.h"', False),
        ("app/state/Models.cpp", '#include "app/TrayMenu.h"', True),
        ("app/state/Models.cpp", '#include "recording/VideoRecorderCore.h"', True),
        ("cloud/APICore.cpp", '#include "app/state/SettingsModel.h"', False),
        ("cloud/APICore.cpp", '#include "app/TrayNotificationsManager.h"', True),
        ("app/TrayMenu.cpp", '#include "capture/DrawCore.h"', False),
        ("settings/Settings.cpp", '#include "capture/WindowsCore.h"', True),
        # The service program uses platform/ only.
        ("service/Main.cpp", '#include "platform/Diagnostics.h"', False),
        ("service/Main.cpp", '#include "uikit/Color.h"', True),
        ("platform/Anything.cpp", '#include "service/Capsulet.h"', True),
        # Generated headers and neighbours by bare name stay inside; a path into a
        # folder that is not a source folder does not.
        ("platform/Info.cpp", '#include "BuildInfo.h"', False),
        ("capture/Draw.cpp", '#include "tests/support/Fake.h"', True),
        # tests/ and bench/ are not checked.
        ("tests/app/T.cpp", '#include "capture/DrawCore.h"', False),
        ("bench/b.cpp", '#include "app/TrayMenu.h"', False),
        # System and Qt headers are no folders of ours.
        ("platform/X.cpp", "#include <QString>", False),
    ]

    def test_cases(self):
        for path, include, reported in self.CASES:
            with self.subTest(path=path, include=include):
                found = problems_for({path: "// head\n" + include + "\n"})
                if reported:
                    self.assertEqual(len(found), 1, found)
                    self.assertTrue(found[0].startswith(path + ":2: " + include), found)
                else:
                    self.assertEqual(found, [])

    def test_every_problem_is_listed_and_the_exit_code_says_so(self):
        with tempfile.TemporaryDirectory() as tmp:
            root = pathlib.Path(tmp)
            (root / "uikit").mkdir()
            (root / "uikit" / "A.h").write_text('#include "app/TrayMenu.h"\n#include "cloud/APICore.h"\n')
            (root / "uikit" / "B.cpp").write_text('#include "uikit/A.h"\n')
            self.assertEqual(len(check_includes.check(root)), 2)
            argv = sys.argv
            try:
                sys.argv = ["check_includes.py", str(root)]
                self.assertEqual(check_includes.main(), 1)
                (root / "uikit" / "A.h").write_text("#pragma once\n")
                self.assertEqual(check_includes.main(), 0)
            finally:
                sys.argv = argv


if __name__ == "__main__":
    unittest.main()
