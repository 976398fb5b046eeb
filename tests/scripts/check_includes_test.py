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


class LinkedLibraries(unittest.TestCase):
    def libraries_problems(self, cmake, sources):
        with tempfile.TemporaryDirectory() as tmp:
            root = pathlib.Path(tmp)
            files = dict(sources)
            files["settings/CMakeLists.txt"] = cmake
            for path, text in files.items():
                (root / path).parent.mkdir(parents=True, exist_ok=True)
                (root / path).write_text(text)
            return check_includes.check_libraries(root)

    def test_links_exactly_what_it_includes(self):
        sources = {"settings/Page.cpp": '#include "app/state/SettingsModel.h"\n#include "uikit/Color.h"\n'
                                         '#include "settings/Page.h"\n'}
        cases = [
            ("qn_folder_library(qn_settings LIBS qn_uikit qn_state Qt6::Svg)", []),
            # Spread over lines as the real files are.
            ("qn_folder_library(qn_settings LIBS qn_uikit\n  qn_state Qt6::Svg)", []),
            ("qn_folder_library(qn_settings LIBS qn_uikit Qt6::Svg)", ["does not link qn_state"]),
            ("qn_folder_library(qn_settings LIBS qn_uikit qn_state qn_recording)", ["links qn_recording"]),
        ]
        for cmake, expected in cases:
            with self.subTest(cmake=cmake):
                found = self.libraries_problems(cmake, sources)
                self.assertEqual(len(found), len(expected), found)
                for problem, fragment in zip(found, expected):
                    self.assertIn(fragment, problem)

    def test_a_sub_folder_library_is_not_its_parents(self):
        with tempfile.TemporaryDirectory() as tmp:
            root = pathlib.Path(tmp)
            for path, text in {
                "app/CMakeLists.txt": "qn_folder_library(qn_app LIBS qn_state)",
                "app/Tray.cpp": '#include "app/state/Models.h"\n',
                "app/state/CMakeLists.txt": "qn_folder_library(qn_state LIBS qn_platform)",
                "app/state/Models.cpp": '#include "platform/Sounds.h"\n',
            }.items():
                (root / path).parent.mkdir(parents=True, exist_ok=True)
                (root / path).write_text(text)
            self.assertEqual(check_includes.check_libraries(root), [])


if __name__ == "__main__":
    unittest.main()
