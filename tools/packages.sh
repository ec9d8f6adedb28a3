# The Debian packages the project builds and tests with (sourced by run.sh and test.sh).
# dpkg-dev and file let cpack compute the package's dependencies; fakeroot runs its maintainer
# scripts in the package test; groff-base renders and desktop-file-utils checks what the package
# ships. lintian is left out on purpose (over a hundred Perl packages):
# the package test lints when it is installed.
build_packages=(cmake make g++ pkg-config qt6-base-dev qt6-serialport-dev qt6-tools-dev
    qt6-l10n-tools qt6-translations-l10n libgl-dev fonts-wqy-microhei libbenchmark-dev
    dpkg-dev file fakeroot groff-base desktop-file-utils)
fuzz_packages=(clang libclang-rt-14-dev)
# The Ansible module's test plays the site playbook with Debian's ansible-core; the docs' transcripts
# run under cram and read the audit file with jq, as the README does; gpsd's own Python client
# (python3-gps) reads monitor --status --json.
test_packages=(ansible-core python3 python3-cram jq python3-gps)
desktop_packages=(xvfb xauth imagemagick)
