# The Debian packages the project builds and tests with (sourced by run.sh, test.sh and
# bench/run.sh). The programs alone need build_packages; fonts-wqy-microhei shows the Chinese
# captions and qt6-translations-l10n the Qt buttons in Chinese.
build_packages=(cmake make g++ pkg-config qt6-base-dev qt6-serialport-dev qt6-tools-dev
    qt6-l10n-tools qt6-translations-l10n libgl-dev fonts-wqy-microhei)
# `cmake --build build --target package`: dpkg-dev and file let cpack compute the package's
# dependencies.
package_packages=(dpkg-dev file)
bench_packages=(libbenchmark-dev)
fuzz_packages=(clang libclang-rt-14-dev)
# The tests (cmake/TestTools.cmake looks for their programs): the docs' transcripts run under cram
# and read the audit file with jq, as the README does; groff-base renders the manual pages;
# the Ansible module's test plays the site playbook with Debian's ansible-core; the package test
# runs the maintainer scripts under fakeroot and checks the menu entry with desktop-file-utils.
# lintian is left out on purpose (over a hundred Perl packages): the package test lints when it
# is installed. gpsd's own Python client (python3-gps) reads monitor --status --json.
test_packages=("${package_packages[@]}" "${bench_packages[@]}" ansible-core python3 python3-cram
    jq groff-base fakeroot desktop-file-utils python3-gps)
desktop_packages=(xvfb xauth imagemagick)
# tools/screenshot-report.sh draws a report page with a headless browser and shrinks the picture.
screenshot_packages=(chromium imagemagick)
