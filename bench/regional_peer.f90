! SPDX-License-Identifier: GPL-3.0-or-later
! regional_peer: the regional statistics of zarn-cli --region --accuracy none
! written plainly in Fortran, as a hydrologist would, to time the batch
! tool against a compiled program doing the same work: site L-moments,
! discordancy, the kappa fitted to the regional average, the heterogeneity
! simulation and the Z of the five candidates (Hosking and Wallis 1997,
! chapters 3 to 5 and appendix A).
!
! Input (the file named first on the command line): nsite nsim seed, then
! per site n and its n values.
! Output: D of each site, the kappa, H1..H3 and the five Z.
program regional_peer
  implicit none
  integer, parameter :: dp = kind(1.0d0)
  integer, parameter :: maxn = 10000
  integer :: nsite, nsim, i, j, isim, total
  integer(8) :: seed, state
  integer, allocatable :: nrec(:)
  real(dp), allocatable :: x(:,:), rat(:,:), d(:), simv(:,:), simt4(:), srat(:,:), buf(:)
  real(dp) :: reg(5), kap(4), v(3), h(3), mean(3), sd(3), b4, s4, tau4(5), z(5), para(3)
  logical :: ok
  character(len=4096) :: path

  call get_command_argument(1, path)
  open(10, file=trim(path), status='old', action='read')
  read(10,*) nsite, nsim, seed
  allocate(nrec(nsite), x(maxn, nsite), rat(5, nsite), d(nsite), srat(5, nsite), buf(maxn))
  do i = 1, nsite
    read(10,*) nrec(i)
    read(10,*) (x(j, i), j = 1, nrec(i))
    call sortd(x(1:nrec(i), i), nrec(i))
    call samlmr(x(1:nrec(i), i), nrec(i), rat(:, i), .true.)
  end do

  call discordancy(nsite, rat, d)
  total = sum(nrec)
  do j = 2, 5
    reg(j) = sum(nrec * rat(j, :)) / total
  end do
  reg(1) = 1.0d0
  call kapfit(reg, kap, ok)
  if (.not. ok) then       ! the generalized logistic in its place
    call gloqfit(reg, para)
    kap(1:3) = para
    kap(4) = -1.0d0
  end if
  call dispersions(nsite, nrec, rat, reg, v)

  allocate(simv(3, nsim), simt4(nsim))
  state = seed
  do isim = 1, nsim
    do i = 1, nsite
      do j = 1, nrec(i)
        state = mod(16807_8 * state, 2147483647_8)
        buf(j) = kapqua(real(state, dp) / 2147483647.0d0, kap)
      end do
      call sortd(buf(1:nrec(i)), nrec(i))
      call samlmr(buf(1:nrec(i)), nrec(i), srat(:, i), .false.)
    end do
    do j = 2, 4
      reg(j) = sum(nrec * srat(j, :)) / total
    end do
    call dispersions(nsite, nrec, srat, reg, simv(:, isim))
    simt4(isim) = reg(4)
  end do
  do j = 2, 5
    reg(j) = sum(nrec * rat(j, :)) / total
  end do
  do j = 1, 3
    mean(j) = sum(simv(j, :)) / nsim
    sd(j) = sqrt(sum((simv(j, :) - mean(j))**2) / (nsim - 1))
    h(j) = (v(j) - mean(j)) / sd(j)
  end do
  b4 = sum(simt4 - reg(4)) / nsim
  s4 = sqrt(sum((simt4 - reg(4) - b4)**2) / (nsim - 1))
  call candidates(reg, tau4)
  z = (tau4 - reg(4) + b4) / s4

  write(*, '(a, 100f10.4)') 'D', d
  write(*, '(a, 4f12.6)') 'kappa', kap
  write(*, '(a, 3f10.4)') 'H', h
  write(*, '(a, 5f10.4)') 'Z', z

contains

  ! Ascending sort (quicksort, insertion sort for short pieces).
  recursive subroutine sortd(a, n)
    integer, intent(in) :: n
    real(dp), intent(inout) :: a(n)
    real(dp) :: pivot, t
    integer :: lo, hi, k
    if (n <= 16) then
      do lo = 2, n
        t = a(lo)
        k = lo - 1
        do while (k >= 1)
          if (a(k) <= t) exit
          a(k + 1) = a(k)
          k = k - 1
        end do
        a(k + 1) = t
      end do
      return
    end if
    pivot = a(n / 2)
    lo = 1
    hi = n
    do
      do while (a(lo) < pivot)
        lo = lo + 1
      end do
      do while (a(hi) > pivot)
        hi = hi - 1
      end do
      if (lo >= hi) exit
      t = a(lo); a(lo) = a(hi); a(hi) = t
      lo = lo + 1
      hi = hi - 1
    end do
    call sortd(a(1:hi), hi)
    call sortd(a(hi + 1:n), n - hi)
  end subroutine

  ! l1, t, t3, t4 (and t5) of an ascending sample from the unbiased PWMs.
  subroutine samlmr(a, n, r, fifth)
    integer, intent(in) :: n
    real(dp), intent(in) :: a(n)
    real(dp), intent(out) :: r(5)
    logical, intent(in) :: fifth
    real(dp) :: b(0:4), w, l2, l3, l4, l5
    integer :: j, k, top
    top = 3
    if (fifth) top = 4
    b = 0
    do j = 1, n
      w = 1
      b(0) = b(0) + a(j)
      do k = 1, top
        w = w * (j - k) / real(n - k, dp)
        b(k) = b(k) + w * a(j)
      end do
    end do
    b = b / n
    l2 = 2 * b(1) - b(0)
    l3 = 6 * b(2) - 6 * b(1) + b(0)
    l4 = 20 * b(3) - 30 * b(2) + 12 * b(1) - b(0)
    l5 = 70 * b(4) - 140 * b(3) + 90 * b(2) - 20 * b(1) + b(0)
    r = (/ b(0), l2 / b(0), l3 / l2, l4 / l2, l5 / l2 /)
  end subroutine

  subroutine discordancy(n, r, dd)
    integer, intent(in) :: n
    real(dp), intent(in) :: r(5, n)
    real(dp), intent(out) :: dd(n)
    real(dp) :: u(3), a(3, 3), c(3, 3), det, m(3)
    integer :: i, p, q
    dd = 1
    if (n <= 3) return
    do p = 1, 3
      m(p) = sum(r(p + 1, :)) / n
    end do
    a = 0
    do i = 1, n
      u = r(2:4, i) - m
      do p = 1, 3
        do q = 1, 3
          a(p, q) = a(p, q) + u(p) * u(q)
        end do
      end do
    end do
    c(1,1) = a(2,2)*a(3,3) - a(2,3)*a(3,2); c(1,2) = a(1,3)*a(3,2) - a(1,2)*a(3,3)
    c(1,3) = a(1,2)*a(2,3) - a(1,3)*a(2,2); c(2,1) = a(2,3)*a(3,1) - a(2,1)*a(3,3)
    c(2,2) = a(1,1)*a(3,3) - a(1,3)*a(3,1); c(2,3) = a(1,3)*a(2,1) - a(1,1)*a(2,3)
    c(3,1) = a(2,1)*a(3,2) - a(2,2)*a(3,1); c(3,2) = a(1,2)*a(3,1) - a(1,1)*a(3,2)
    c(3,3) = a(1,1)*a(2,2) - a(1,2)*a(2,1)
    det = a(1,1)*c(1,1) + a(1,2)*c(2,1) + a(1,3)*c(3,1)
    do i = 1, n
      u = r(2:4, i) - m
      dd(i) = n / 3.0d0 * dot_product(u, matmul(c, u)) / det
    end do
  end subroutine

  subroutine dispersions(n, nr, r, rg, vv)
    integer, intent(in) :: n, nr(n)
    real(dp), intent(in) :: r(5, n), rg(5)
    real(dp), intent(out) :: vv(3)
    integer :: i
    vv = 0
    do i = 1, n
      vv(1) = vv(1) + nr(i) * (r(2, i) - rg(2))**2
      vv(2) = vv(2) + nr(i) * sqrt((r(2, i) - rg(2))**2 + (r(3, i) - rg(3))**2)
      vv(3) = vv(3) + nr(i) * sqrt((r(3, i) - rg(3))**2 + (r(4, i) - rg(4))**2)
    end do
    vv = vv / sum(nr)
    vv(1) = sqrt(vv(1))
  end subroutine

  real(dp) function kapqua(f, p)
    real(dp), intent(in) :: f, p(4)
    kapqua = p(1) + p(2) / p(3) * (1 - ((1 - f**p(4)) / p(4))**p(3))
  end function

  ! g_r of the kappa (Hosking 1994) by log-gamma functions.
  subroutine kapg(k, hh, g, valid)
    real(dp), intent(in) :: k, hh
    real(dp), intent(out) :: g(4)
    logical, intent(out) :: valid
    integer :: r
    valid = k > -1 .and. abs(hh) > 1d-10 .and. (hh > 0 .or. k * hh > -1)
    if (.not. valid) return
    do r = 1, 4
      if (hh > 0) then
        g(r) = exp(log(real(r, dp)) + log_gamma(1 + k) + log_gamma(r / hh) - (1 + k) * log(hh) &
                   - log_gamma(1 + k + r / hh))
      else
        g(r) = exp(log(real(r, dp)) + log_gamma(1 + k) + log_gamma(-k - r / hh) - (1 + k) * log(-hh) &
                   - log_gamma(1 - r / hh))
      end if
    end do
  end subroutine

  subroutine kapratios(k, hh, t3, t4, valid)
    real(dp), intent(in) :: k, hh
    real(dp), intent(out) :: t3, t4
    logical, intent(out) :: valid
    real(dp) :: g(4)
    call kapg(k, hh, g, valid)
    if (.not. valid) return
    t3 = (-g(1) + 3 * g(2) - 2 * g(3)) / (g(1) - g(2))
    t4 = -(-g(1) + 6 * g(2) - 10 * g(3) + 5 * g(4)) / (g(1) - g(2))
  end subroutine

  ! Newton-Raphson on (k, h), derivatives by differences, halving steps.
  subroutine kapfit(rg, p, ok)
    real(dp), intent(in) :: rg(5)
    real(dp), intent(out) :: p(4)
    logical, intent(out) :: ok
    real(dp) :: k, hh, f3, f4, a3, a4, b3, b4_, j11, j12, j21, j22, det, dk, dh, e, en, g(4), s3, s4_
    integer :: it, half
    logical :: valid
    ok = .false.
    if (rg(4) > (1 + 5 * rg(3)**2) / 6) return
    k = 0.1d0
    hh = 0.1d0
    call kapratios(k, hh, f3, f4, valid)
    do it = 1, 100
      e = abs(f3 - rg(3)) + abs(f4 - rg(4))
      if (e < 1d-12) exit
      call kapratios(k + 1d-6, hh, a3, a4, valid)
      call kapratios(k, hh + 1d-6, b3, b4_, valid)
      j11 = (a3 - f3) / 1d-6; j21 = (a4 - f4) / 1d-6
      j12 = (b3 - f3) / 1d-6; j22 = (b4_ - f4) / 1d-6
      det = j11 * j22 - j12 * j21
      dk = -(j22 * (f3 - rg(3)) - j12 * (f4 - rg(4))) / det
      dh = -(-j21 * (f3 - rg(3)) + j11 * (f4 - rg(4))) / det
      do half = 1, 40
        call kapratios(k + dk, hh + dh, s3, s4_, valid)
        if (valid) then
          en = abs(s3 - rg(3)) + abs(s4_ - rg(4))
          if (en < e) exit
        end if
        dk = dk / 2
        dh = dh / 2
      end do
      k = k + dk
      hh = hh + dh
      f3 = s3
      f4 = s4_
    end do
    call kapg(k, hh, g, valid)
    if (.not. valid) return
    p(3) = k
    p(4) = hh
    p(2) = rg(2) * k / (g(1) - g(2))
    p(1) = 1 - p(2) * (1 - g(1)) / k
    ok = .true.
  end subroutine

  subroutine gloqfit(rg, p)
    real(dp), intent(in) :: rg(5)
    real(dp), intent(out) :: p(3)
    real(dp), parameter :: pi = 3.141592653589793d0
    p(3) = -rg(3)
    p(2) = rg(2) * sin(p(3) * pi) / (p(3) * pi)
    p(1) = 1 - p(2) * (1 / p(3) - pi / sin(p(3) * pi))
  end subroutine

  ! tau4 of GLO, GEV, GNO, PE3, GPA fitted to the regional t3.
  subroutine candidates(rg, t4)
    real(dp), intent(in) :: rg(5)
    real(dp), intent(out) :: t4(5)
    real(dp) :: t3, k, c, t, a, y, f, w, l2, l4, xx
    integer :: i, it
    t3 = rg(3)
    t4(1) = (1 + 5 * t3**2) / 6
    c = 2 / (3 + t3) - log(2.0d0) / log(3.0d0)          ! GEV, Hosking et al. (1985), then Newton
    k = 7.8590d0 * c + 2.9554d0 * c**2
    do it = 1, 20
      f = (1 - 3**(-k)) / (1 - 2**(-k)) - (t3 + 3) / 2
      w = ((1 - 2**(-k)) * 3**(-k) * log(3.0d0) - (1 - 3**(-k)) * 2**(-k) * log(2.0d0)) / (1 - 2**(-k))**2
      k = k - f / w
    end do
    t4(2) = (5 * (1 - 4**(-k)) - 10 * (1 - 3**(-k)) + 6 * (1 - 2**(-k))) / (1 - 2**(-k))
    t = t3**2                                            ! GNO, A.8
    k = -t3 * (2.0466534d0 - 3.6544371d0 * t + 1.8396733d0 * t**2 - 0.20360244d0 * t**3) / &
        (1 - 2.0182173d0 * t + 1.2420401d0 * t**2 - 0.21741801d0 * t**3)
    l2 = 0
    l4 = 0
    do i = -8000, 8000
      y = i * 0.004d0
      f = 0.5d0 * erfc(-y / sqrt(2.0d0))
      w = exp(-y * y / 2) * (1 - exp(-k * y)) / k
      l2 = l2 + w * (2 * f - 1)
      l4 = l4 + w * (20 * f**3 - 30 * f**2 + 12 * f - 1)
    end do
    t4(3) = l4 / l2
    if (abs(t3) < 1.0d0 / 3) then                        ! PE3: PELPE3's shape, then quadrature in ln x
      t = 3 * 3.141592653589793d0 * t3**2
      a = (1 + 0.2906d0 * t) / (t + 0.1882d0 * t**2 + 0.0442d0 * t**3)
    else
      t = 1 - abs(t3)
      a = (0.36067d0 * t - 0.59567d0 * t**2 + 0.25361d0 * t**3) / (1 - 2.78861d0 * t + 2.56096d0 * t**2 - 0.77045d0 * t**3)
    end if
    l2 = 0
    l4 = 0
    f = 0
    do i = -200000, 20000
      y = log(a + 1) + i * 0.0005d0
      xx = exp(y)
      w = exp(a * y - xx - log_gamma(a)) * 0.0005d0      ! density of ln x
      f = f + w
      l2 = l2 + (xx - a) * w * (2 * f - 1)
      l4 = l4 + (xx - a) * w * (20 * f**3 - 30 * f**2 + 12 * f - 1)
    end do
    t4(4) = l4 / l2
    k = (1 - 3 * t3) / (1 + t3)                          ! GPA
    t4(5) = (1 - k) * (2 - k) / ((3 + k) * (4 + k))
  end subroutine

end program
